// The preview window (F5), the help line's print feedback and the function keys that
// work from every control of the window.
#include "mainwindow.h"

#include "platform-ui/guard.h"
#include "platform-ui/shell.h"
#include "printer/ovprinters.h"
#include "printer-cups/systemprinterbackend.h"
#include "printing/previewwindow.h"
#include "jobs/printservice.h"
#include "platform/error.h"
#include "printing/printpositiondialog.h"
#include "slip/slipform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>

namespace {

const QString kOverflowHelp = QStringLiteral("枠に収まりません：%1");

} // namespace

void TForm_Main::connectPreview()
{
    using platform::guardedSlot;
    // Window shortcuts: they work whichever control has the focus (a check box, the
    // tab strip, a button, the paste box), not only in the boxes with a key map.
    auto *f11 = new QShortcut(QKeySequence(Qt::Key_F11), this);
    connect(f11, &QShortcut::activated, this, guardedSlot([this] { SpeedButton_F11Click(); }));
    auto *f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(f5, &QShortcut::activated, this, guardedSlot([this] { SpeedButton_F5Click(); }));
    connect(SpeedButton_F[4], &QToolButton::clicked, this, guardedSlot([this] { SpeedButton_F5Click(); }));

    // Any change of the slip, the sender switch, the date switch, the feed, the
    // printer or the margins redraws an open preview, once per event-loop turn.
    const auto schedule = [this] { schedulePreview(); };
    for (QLineEdit *edit : findChildren<QLineEdit *>())
        connect(edit, &QLineEdit::textChanged, this, schedule);
    for (QCheckBox *box : findChildren<QCheckBox *>())
        connect(box, &QCheckBox::toggled, this, schedule);
    connect(DateTimePicker_1, &QDateEdit::dateChanged, this, schedule);
    connect(PageControl_My, &QTabBar::currentChanged, this, schedule);
    for (QComboBox *box : {ComboBox_SEL, ComboBox1, ComboBox2, ComboBox3})
        connect(box, &QComboBox::currentTextChanged, this, schedule);

    Panel_HelpMess->installEventFilter(this);
}

void TForm_Main::SpeedButton_F5Click()
{
    const bool first = !m_previewWindow;
    if (first) {
        m_previewWindow = new printing::SlipPreviewWindow(this);
        connect(m_previewWindow->preview(), &printing::SlipPreview::overflowChanged, this,
                [this](const QList<slip::SlipField> &fields) { showOverflow(fields); });
        connect(m_previewWindow, &printing::SlipPreviewWindow::pdfRequested, this,
                platform::guardedSlot([this] { writePreviewPdf(); }));
    }
    m_previewPrinterKey.clear(); // the printer may have changed while it was closed
    refreshPreview();
    if (first || !m_previewWindow->isVisible())
        placePreviewBesideWindow();
    m_previewWindow->show();
    m_previewWindow->raise();
    // The typing goes on in the main window.
    activateWindow();
}

void TForm_Main::placePreviewBesideWindow()
{
    const QRect main = frameGeometry();
    QRect place(main.topRight() + QPoint(8, 0), m_previewWindow->frameGeometry().size());
    if (const QScreen *screen = this->screen()) {
        const QRect room = screen->availableGeometry();
        if (place.right() > room.right()) // no room on the right: the left side
            place.moveRight(main.left() - 8);
        place.moveLeft(qMax(room.left(), place.left()));
        place.moveTop(qBound(room.top(), place.top(), qMax(room.top(), room.bottom() - place.height())));
    }
    m_previewWindow->move(place.topLeft());
}

void TForm_Main::schedulePreview()
{
    if (!m_previewWindow || !m_previewWindow->isVisible() || m_previewPending)
        return;
    m_previewPending = true;
    QTimer::singleShot(0, this, [this] {
        m_previewPending = false;
        platform::guarded([this] { refreshPreview(); });
    });
}

void TForm_Main::refreshPreview()
{
    if (!m_previewWindow)
        return;
    printing::SlipPreview *preview = m_previewWindow->preview();
    // The printer's page is asked for only when the printer or its paper changed.
    const QString key = ComboBox1->currentText() + u'\n' + ComboBox2->currentText() + u'\n'
        + ComboBox3->currentText();
    if (key != m_previewPrinterKey) {
        m_previewPrinterKey = key;
        preview->setPage(previewPage());
    }
    preview->setBinding(PrinterBinding());
    preview->setSlip(slipRecord());
    m_previewWindow->setWindowTitle(QStringLiteral("プレビュー　%1（%2）").arg(ComboBox1->currentText(), currentFeed()));
}

printing::PreviewPage TForm_Main::previewPage() const
{
    printing::PreviewPage page;
    try {
        TOvPrinter &printer = OvPrinter();
        const TOvExtent dpi = printer.DPI();
        const jobs::EffectiveResolution effective = jobs::effectiveResolution(dpi, printer.Scale());
        const TOvExtent paper = printer.PaperExtent();
        const TOvExtent printable = printer.PageExtent();
        const TOvExtent offset = printer.Offset();
        // The page in the dots the layout is placed in (the effective resolution).
        const auto toLayout = [](int dots, int from, int to) { return from > 0 ? dots * to / from : dots; };
        page.dpiX = effective.x;
        page.dpiY = effective.y;
        page.fontDpi = dpi.cy;
        page.paper = QSize(toLayout(paper.cx, dpi.cx, effective.x), toLayout(paper.cy, dpi.cy, effective.y));
        page.printable = QRect(toLayout(offset.cx, dpi.cx, effective.x), toLayout(offset.cy, dpi.cy, effective.y),
                               toLayout(printable.cx, dpi.cx, effective.x),
                               toLayout(printable.cy, dpi.cy, effective.y));
    } catch (const std::exception &) {
        // No printer to ask: an A4 sheet at 180 dpi still shows the slip.
    }
    return page;
}

slip::SlipPageSetup TForm_Main::slipPageSetup() const
{
    const printing::PreviewPage page = previewPage();
    slip::SlipPageSetup setup;
    setup.dpiX = page.dpiX;
    setup.dpiY = page.dpiY;
    setup.fontDpi = page.fontDpi;
    setup.binding = PrinterBinding();
    return setup;
}

void TForm_Main::showOverflow(const QList<slip::SlipField> &fields)
{
    if (fields.isEmpty()) {
        if (Panel_HelpMess->text().startsWith(kOverflowHelp.left(6)))
            Panel_HelpMess->clear();
        return;
    }
    QStringList names;
    for (const slip::SlipField field : fields)
        names.append(slip::slipFieldLabel(field));
    Panel_HelpMess->setText(kOverflowHelp.arg(names.join(QStringLiteral("、"))));
}

void TForm_Main::writePreviewPdf()
{
    const QString file = m_previewWindow->writePdf(QDir(m_workingDirectory).absoluteFilePath(QStringLiteral("pdf")));
    m_printedFile = file;
    Panel_HelpMess->setText(QStringLiteral("PDF に出力しました：%1").arg(QDir::toNativeSeparators(file)));
    m_printedMessage = Panel_HelpMess->text();
}

void TForm_Main::reportPrinted()
{
    // The PDF printer keeps each job as a file; the printer layer knows its name.
    m_printedFile.clear();
    const QString printer = ComboBox1->currentText().trimmed();
    QString text = QStringLiteral("印刷しました：%1（%2）").arg(printer, currentFeed());
    if (printer == printer::pdfPrinterName()) {
        m_printedFile = OvPrinter().backend().lastJobFile();
        if (!m_printedFile.isEmpty())
            text += QStringLiteral("　%1（クリックで開きます）").arg(QDir::toNativeSeparators(m_printedFile));
    }
    Panel_HelpMess->setText(text);
    m_printedMessage = text;
}

bool TForm_Main::helpLineClicked(QObject *watched, QEvent *event)
{
    if (watched != Panel_HelpMess || event->type() != QEvent::MouseButtonRelease)
        return false;
    // Only while the line still tells of the file.
    if (m_printedFile.isEmpty() || Panel_HelpMess->text() != m_printedMessage)
        return false;
    platform::shell().open(QUrl::fromLocalFile(m_printedFile));
    return true;
}
