#include "printing/printpositiondialog.h"

#include "printing/printerregistration.h"
#include "slip/slipgeometry.h"

#include "numedit/lunumedit.h"
#include "numedit/numeditpresets.h"
#include "platform-ui/glyphs.h"
#include "platform-ui/guard.h"
#include "platform-ui/messagebox.h"

#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace printing {

namespace {

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

TForm_SLIP97YPrn::TForm_SLIP97YPrn(PrinterRegistration &registration,
                                   std::function<QString()> currentFeed, QWidget *parent)
    : QDialog(parent)
    , m_registration(registration)
    , m_currentFeed(std::move(currentFeed))
{
    setObjectName(QStringLiteral("TForm_SLIP97YPrn"));
    buildUi();

    LuNumEdit_TOP->setOnKeyDown([this](numedit::TLuNumEdit &sender, int &key, Qt::KeyboardModifiers shift) {
        LuNumEdit_TOPKeyDown(sender, key, shift);
    });
    LuNumEdit_LEFT->setOnKeyDown([this](numedit::TLuNumEdit &sender, int &key, Qt::KeyboardModifiers shift) {
        LuNumEdit_LEFTKeyDown(sender, key, shift);
    });
    connect(BitBtn_MRGN, &QPushButton::clicked, this, platform::guardedSlot([this] { BitBtn_MRGNClick(); }));
    connect(BitBtn_Calib, &QPushButton::clicked, this, platform::guardedSlot([this] { BitBtn_CalibClick(); }));
    connect(LuNumEdit_TOP, &numedit::TLuNumEdit::changed, this, [this] { showMillimetres(); });
    connect(LuNumEdit_LEFT, &numedit::TLuNumEdit::changed, this, [this] { showMillimetres(); });
    connect(SpinBox_TOPmm, &QDoubleSpinBox::valueChanged, this,
            [this] { takeMillimetres(LuNumEdit_TOP, SpinBox_TOPmm, m_resolution.y); });
    connect(SpinBox_LEFTmm, &QDoubleSpinBox::valueChanged, this,
            [this] { takeMillimetres(LuNumEdit_LEFT, SpinBox_LEFTmm, m_resolution.x); });
}

void TForm_SLIP97YPrn::setResolutionSource(std::function<EffectiveResolution()> source)
{
    m_resolutionSource = std::move(source);
}

void TForm_SLIP97YPrn::setCalibrationPrinter(std::function<void(const PrinterBinding &)> print)
{
    m_printCalibration = std::move(print);
}

void TForm_SLIP97YPrn::showMillimetres()
{
    const auto show = [](const numedit::TLuNumEdit *dots, QDoubleSpinBox *mm, int dpi) {
        bool ok = false;
        const QString text = dots->text();
        const int value = text.isEmpty() ? 0 : text.toInt(&ok);
        const QSignalBlocker blocker(mm);
        mm->setEnabled(ok || text.isEmpty());
        mm->setValue(ok ? slip::dotsToMm(value, dpi) : 0.0);
    };
    show(LuNumEdit_TOP, SpinBox_TOPmm, m_resolution.y);
    show(LuNumEdit_LEFT, SpinBox_LEFTmm, m_resolution.x);

    // The fixed shift depends on the resolution, so the slip's place on paper does too:
    // the total says where it is.
    bool topOk = false;
    bool leftOk = false;
    const int top = LuNumEdit_TOP->text().isEmpty() ? 0 : LuNumEdit_TOP->text().toInt(&topOk);
    const int left = LuNumEdit_LEFT->text().isEmpty() ? 0 : LuNumEdit_LEFT->text().toInt(&leftOk);
    const auto mm = [](int dots, int dpi) { return QString::number(slip::dotsToMm(dots, dpi), 'f', 1); };
    const QString topText = topOk || LuNumEdit_TOP->text().isEmpty() ? mm(top, m_resolution.y) : QStringLiteral("？");
    const QString leftText = leftOk || LuNumEdit_LEFT->text().isEmpty()
        ? mm(left + slip::SlipGeometry::kLeftExtraDots, m_resolution.x)
        : QStringLiteral("？");
    Label_Total->setText(QStringLiteral("合計のずれ：上 %1 mm・左 %2 mm\n（左は固定の %3 ドット＝%4 mm を含む。%5 dpi で換算）")
                             .arg(topText, leftText)
                             .arg(slip::SlipGeometry::kLeftExtraDots)
                             .arg(mm(slip::SlipGeometry::kLeftExtraDots, m_resolution.x))
                             .arg(m_resolution.x == m_resolution.y ? QString::number(m_resolution.x)
                                                                   : QStringLiteral("%1×%2").arg(m_resolution.x).arg(m_resolution.y)));
}

void TForm_SLIP97YPrn::takeMillimetres(numedit::TLuNumEdit *dots, const QDoubleSpinBox *mm, int dpi)
{
    dots->setText(QString::number(slip::mmToDots(mm->value(), dpi)));
}

void TForm_SLIP97YPrn::BitBtn_CalibClick()
{
    if (m_printCalibration) {
        PrinterBinding binding = m_registration.binding();
        binding.topMargin = LuNumEdit_TOP->text();
        binding.leftMargin = LuNumEdit_LEFT->text();
        m_printCalibration(binding);
    }
}

void TForm_SLIP97YPrn::buildUi()
{
    setWindowTitle(QStringLiteral("印字位置調整"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    setFont(font);
    // The contents fit the client area that the outer size leaves under a title bar.
    setFixedSize(kOuterSize);

    GroupBox1 = new QGroupBox(QStringLiteral("印字位置調整セット"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(6, 4, 280, 80);

    const auto makeLabel = [this](const QString &name, const QString &text, int top) {
        auto *label = new QLabel(text, GroupBox1);
        label->setObjectName(name);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setGeometry(6, top, 64, 20);
        return label;
    };
    const auto makeBox = [this](const QString &name, int top) {
        auto *box = new numedit::TLuNumEdit(GroupBox1);
        box->setObjectName(name);
        numedit::setUpMarginBox(*box);
        box->setGeometry(76, top, 86, 20);
        auto *unit = new QLabel(QStringLiteral("ドット"), GroupBox1);
        unit->setGeometry(166, top, 30, 20);
        return box;
    };
    const auto makeMm = [this](const QString &name, int top) {
        auto *box = new QDoubleSpinBox(GroupBox1);
        box->setObjectName(name);
        box->setDecimals(1);
        box->setSingleStep(0.5);
        box->setRange(-99.9, 99.9);
        box->setSuffix(QStringLiteral(" mm"));
        box->setAlignment(Qt::AlignRight);
        box->setGeometry(198, top, 74, 20);
        return box;
    };
    Label5 = makeLabel(QStringLiteral("Label5"), QStringLiteral("TOPﾏｰｼﾞﾝ"), 22);
    LuNumEdit_TOP = makeBox(QStringLiteral("LuNumEdit_TOP"), 22);
    Label6 = makeLabel(QStringLiteral("Label6"), QStringLiteral("LEFTﾏｰｼﾞﾝ"), 50);
    LuNumEdit_LEFT = makeBox(QStringLiteral("LuNumEdit_LEFT"), 50);
    SpinBox_TOPmm = makeMm(QStringLiteral("SpinBox_TOPmm"), 22);
    SpinBox_LEFTmm = makeMm(QStringLiteral("SpinBox_LEFTmm"), 50);

    BitBtn_MRGN = new QPushButton(platform::glyphIcon(platform::Glyph::Save),
                                  QStringLiteral("印字位置登録"), this);
    BitBtn_MRGN->setObjectName(QStringLiteral("BitBtn_MRGN"));
    BitBtn_MRGN->setGeometry(20, 90, 112, 28);
    // Not the dialog's default button: Enter in the boxes moves the focus on, and the
    // button takes Enter only when it has the focus (keyPressEvent).
    BitBtn_MRGN->setAutoDefault(false);

    BitBtn_Calib = new QPushButton(platform::glyphIcon(platform::Glyph::Printer),
                                   QStringLiteral("調整用紙を印刷"), this);
    BitBtn_Calib->setObjectName(QStringLiteral("BitBtn_Calib"));
    BitBtn_Calib->setGeometry(144, 90, 130, 28);
    BitBtn_Calib->setAutoDefault(false);
    BitBtn_Calib->setToolTip(QStringLiteral("枠と十字の目印を普通紙に印刷します。用紙に重ねて、ずれた mm を入力してください"));

    Label_Total = new QLabel(this);
    Label_Total->setObjectName(QStringLiteral("Label_Total"));
    Label_Total->setGeometry(8, 122, 284, 34);

    setTabOrder(LuNumEdit_TOP, LuNumEdit_LEFT);
    setTabOrder(LuNumEdit_LEFT, BitBtn_MRGN);
    setTabOrder(BitBtn_MRGN, SpinBox_TOPmm);
    setTabOrder(SpinBox_TOPmm, SpinBox_LEFTmm);
    setTabOrder(SpinBox_LEFTmm, BitBtn_Calib);
}

void TForm_SLIP97YPrn::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    FormShow();
    // The window system tells the frame's size only once the window is on the
    // screen: fit the outer size again then (nothing changes when it is known).
    QMetaObject::invokeMethod(this, [this] {
        if (isVisible() && frameGeometry().size() != kOuterSize) {
            fitOuterSize();
            centreOnOpener();
        }
    }, Qt::QueuedConnection);
}

void TForm_SLIP97YPrn::FormShow()
{
    fitOuterSize();
    centreOnOpener();
    LuNumEdit_TOP->setText(m_registration.binding().topMargin);
    LuNumEdit_LEFT->setText(m_registration.binding().leftMargin);
    if (m_resolutionSource) {
        // A printer that cannot tell its resolution leaves the last one in use.
        try {
            m_resolution = m_resolutionSource();
        } catch (const std::exception &) {
        }
    }
    showMillimetres();
    LuNumEdit_TOP->setFocus();
}

void TForm_SLIP97YPrn::fitOuterSize()
{
    const QSize frame = frameGeometry().size() - geometry().size();
    setFixedSize(kOuterSize - frame);
}

void TForm_SLIP97YPrn::centreOnOpener()
{
    const QWidget *opener = parentWidget() ? parentWidget()->window() : nullptr;
    if (!opener)
        return;
    const QRect frame = frameGeometry();
    move(opener->frameGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
}

void TForm_SLIP97YPrn::FormClose()
{
    // Closing without registering keeps the binding as it is.
}

void TForm_SLIP97YPrn::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TForm_SLIP97YPrn::keyPressEvent(QKeyEvent *event)
{
    // A focused button takes Enter, as everywhere in the program.
    if (isEnter(event->key()) && focusWidget() == BitBtn_MRGN) {
        BitBtn_MRGN->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm_SLIP97YPrn::LuNumEdit_TOPKeyDown(numedit::TLuNumEdit &sender, int &key, Qt::KeyboardModifiers)
{
    if (isEnter(key)) {
        sender.focusNextControl();
        key = 0;
    }
}

void TForm_SLIP97YPrn::LuNumEdit_LEFTKeyDown(numedit::TLuNumEdit &sender, int &key, Qt::KeyboardModifiers)
{
    if (isEnter(key) || key == Qt::Key_Up) {
        sender.focusNextControl();
        key = 0;
    }
}

void TForm_SLIP97YPrn::BitBtn_MRGNClick()
{
    const QString feed = m_currentFeed();
    if (!platform::ask(kMarginQuestion))
        return;
    m_registration.registerMargins(feed, LuNumEdit_TOP->text(), LuNumEdit_LEFT->text());
    accept();
}

} // namespace printing
