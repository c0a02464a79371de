#include "printing/printerdisplay.h"

#include "platform/convert.h"
#include "printer/ovprinters.h"

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>

namespace printing {

namespace {

// The boxes show what prints; they take no input. A wheel turn or a key would pick
// another item, and a registration would then store the printer shown instead of
// the one that prints.
class DisplayOnly final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            // The line may still be selected for copying; the box opens no list.
            return qobject_cast<QComboBox *>(watched) != nullptr;
        default:
            return QObject::eventFilter(watched, event);
        }
    }
};

// A combo box as a plain display line: no arrow, no editing, no focus, grey.
void makeDisplayBox(QComboBox *box)
{
    // The line of an editable box, without the list popup that setEditable() makes
    // ready at once and with an empty completer in place of one over the items: these
    // boxes never open a list and take no typing.
    auto *line = new QLineEdit(box);
    line->setPalette(box->palette());
    line->setCompleter(new QCompleter(line));
    box->setLineEdit(line);
    box->lineEdit()->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->lineEdit()->setFocusPolicy(Qt::NoFocus);
    box->setStyleSheet(QStringLiteral(
        "QComboBox { background: palette(window); }"
        "QComboBox::drop-down { width: 0px; border: none; }"
        "QComboBox::down-arrow { image: none; }"));
    // The lines show the application's font, not the window's, as they always have.
    box->setFont(QApplication::font());
    auto *filter = new DisplayOnly(box);
    box->installEventFilter(filter);
    box->lineEdit()->installEventFilter(filter);
}

// Fills a box with a list and selects an item; a failure of the printer layer in
// either leaves the box without a selection (the list may be empty).
template <typename Names, typename Index>
void fillBox(QComboBox *box, Names names, Index index)
{
    box->clear();
    try {
        box->addItems(names());
        box->setCurrentIndex(index());
    } catch (const EOvPrinter &) {
        box->setCurrentIndex(-1);
    }
}

} // namespace

PrinterDisplay::PrinterDisplay(const Widgets &widgets, TOvPrinter *printer)
    : m_widgets(widgets)
    , m_printer(printer)
{
    Q_ASSERT(widgets.ComboBox1 && widgets.ComboBox2 && widgets.ComboBox3);
    Q_ASSERT(widgets.Label_Prn_Top && widgets.Label_Prn_Left);
    for (QComboBox *box : {widgets.ComboBox1, widgets.ComboBox2, widgets.ComboBox3})
        makeDisplayBox(box);
    showMargins();
}

void PrinterDisplay::setBinding(const PrinterBinding &binding)
{
    m_binding = binding;
    showMargins();
}

void PrinterDisplay::setPrinterIndex(const QString &index)
{
    m_binding.printerIndex = index;
}

void PrinterDisplay::setMargins(const QString &top, const QString &left)
{
    m_binding.topMargin = top;
    m_binding.leftMargin = left;
    showMargins();
}

void PrinterDisplay::SpeedButton_PRNSETClick()
{
    const int index = platform::StrToInt(m_binding.printerIndex);
    TOvPrinter &ov = printer();
    try {
        ov.SetIndex(index);
    } catch (const EOVPrinterRangeError &) {
        // The registered printer is gone: print on the first one. The display goes
        // on to show it, so that it never names a printer that does not print.
        ov.SetIndex(0);
    }
    showPrinter(ov);
}

QString PrinterDisplay::printerName() const
{
    return m_widgets.ComboBox1->currentText().trimmed();
}

TOvPrinter &PrinterDisplay::printer() const
{
    return m_printer ? *m_printer : OvPrinter();
}

void PrinterDisplay::showMargins()
{
    m_widgets.Label_Prn_Top->setText(m_binding.topMargin);
    m_widgets.Label_Prn_Left->setText(m_binding.leftMargin);
}

void PrinterDisplay::showPrinter(TOvPrinter &ov)
{
    QComboBox *printers = m_widgets.ComboBox1;
    printers->clear();
    try {
        printers->addItems(ov.PrinterNames());
        printers->setCurrentIndex(ov.Index());
    } catch (const EOvPrinter &) {
        printers->setEnabled(false);
        return;
    }
    // A box disabled by an earlier failure shows a valid printer again.
    printers->setEnabled(true);

    fillBox(m_widgets.ComboBox2, [&] { return ov.PaperSizeNames(); },
            [&] { return ov.PaperSizeIndex(); });
    fillBox(m_widgets.ComboBox3, [&] { return ov.BinNames(); }, [&] { return ov.BinIndex(); });
}

} // namespace printing
