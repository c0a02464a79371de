#include "printing/previewwindow.h"

#include "platform/error.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace printing {

SlipPreviewWindow::SlipPreviewWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("SlipPreviewWindow"));
    setWindowTitle(QStringLiteral("プレビュー"));

    const auto makeButton = [this](const QString &name, const QString &text) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(name);
        button->setFocusPolicy(Qt::NoFocus);
        return button;
    };
    fitButton = makeButton(QStringLiteral("Button_Fit"), QStringLiteral("全体"));
    actualButton = makeButton(QStringLiteral("Button_100"), QStringLiteral("100%"));
    doubleButton = makeButton(QStringLiteral("Button_200"), QStringLiteral("200%"));
    pdfButton = makeButton(QStringLiteral("Button_Pdf"), QStringLiteral("PDF に出力"));
    formButton = new QCheckBox(QStringLiteral("枠も出力"), this);
    formButton->setObjectName(QStringLiteral("CheckBox_PdfForm"));
    formButton->setFocusPolicy(Qt::NoFocus);
    formButton->setToolTip(QStringLiteral("PDF に用紙の枠も描きます。送り状用紙に印刷するときは外してください"));
    for (QPushButton *b : {fitButton, actualButton, doubleButton})
        b->setCheckable(true);
    fitButton->setChecked(true);

    m_preview = new SlipPreview;
    m_scroll = new QScrollArea(this);
    m_scroll->setWidget(m_preview);
    m_scroll->setWidgetResizable(true);
    m_scroll->setAlignment(Qt::AlignCenter);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(fitButton);
    buttons->addWidget(actualButton);
    buttons->addWidget(doubleButton);
    buttons->addStretch();
    buttons->addWidget(formButton);
    buttons->addWidget(pdfButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addWidget(m_scroll);
    resize(520, 720);

    connect(fitButton, &QPushButton::clicked, this, [this] { setZoom(SlipPreview::Zoom::Fit); });
    connect(actualButton, &QPushButton::clicked, this, [this] { setZoom(SlipPreview::Zoom::Actual); });
    connect(doubleButton, &QPushButton::clicked, this, [this] { setZoom(SlipPreview::Zoom::Double); });
    connect(pdfButton, &QPushButton::clicked, this, &SlipPreviewWindow::pdfRequested);
}

void SlipPreviewWindow::setZoom(SlipPreview::Zoom zoom)
{
    fitButton->setChecked(zoom == SlipPreview::Zoom::Fit);
    actualButton->setChecked(zoom == SlipPreview::Zoom::Actual);
    doubleButton->setChecked(zoom == SlipPreview::Zoom::Double);
    // At "fit" the preview takes the scroll area's size; else its own, and scrolls.
    m_scroll->setWidgetResizable(zoom == SlipPreview::Zoom::Fit);
    m_preview->setZoom(zoom);
}

QString SlipPreviewWindow::writePdf(const QString &folder) const
{
    QString file;
    QDir dir(folder);
    if (dir.mkpath(QStringLiteral("."))) {
        const QString stem = QStringLiteral("preview-")
            + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        for (int n = 1; n < 10000 && file.isEmpty(); ++n) {
            QFile candidate(dir.absoluteFilePath(n == 1 ? stem + QStringLiteral(".pdf")
                                                        : QStringLiteral("%1-%2.pdf").arg(stem).arg(n)));
            // NewOnly: an earlier file is never overwritten.
            if (candidate.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                file = QFileInfo(candidate).absoluteFilePath();
            else if (!candidate.exists())
                break; // not a name clash: the folder is not writable
        }
    }
    if (file.isEmpty())
        throw platform::Error(QStringLiteral("PDF ファイルを %1 に作成できません").arg(folder));
    const PreviewPage &page = m_preview->page();
    QPdfWriter writer(file);
    writer.setTitle(QStringLiteral("mekira プレビュー"));
    writer.setResolution(page.dpiY);
    writer.setPageSize(QPageSize(QSizeF(page.paper.width() * 25.4 / page.dpiX,
                                        page.paper.height() * 25.4 / page.dpiY),
                                 QPageSize::Millimeter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&writer))
        throw platform::Error(QStringLiteral("PDF ファイル %1 に書けません").arg(file));
    m_preview->paintSheet(painter, formButton->isChecked());
    painter.end();
    return file;
}

} // namespace printing
