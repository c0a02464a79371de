#pragma once

#include "slip/printerbinding.h"

#include <QPointer>
#include <QString>

class QComboBox;
class QLabel;
class TOvPrinter;

namespace printing {

using slip::PrinterBinding;

// The group box "プリンタセット" of the main window without the widgets' ownership:
// holds the current PrinterBinding, makes its printer current (the apply) and shows
// the printer, its paper size and paper source, and the binding's margins. The
// window owns the widgets and hands them over once; each handler is then one call.
class PrinterDisplay
{
public:
    struct Widgets
    {
        QComboBox *ComboBox1 = nullptr; // printer
        QComboBox *ComboBox2 = nullptr; // paper size
        QComboBox *ComboBox3 = nullptr; // paper source
        QLabel *Label_Prn_Top = nullptr;
        QLabel *Label_Prn_Left = nullptr;
    };

    // Sets the three boxes up as read-only, grey display lines outside the tab order
    // and shows the initial binding's margins. `printer` defaults to OvPrinter() at
    // each use; pass one for tests.
    explicit PrinterDisplay(const Widgets &widgets, TOvPrinter *printer = nullptr);

    const PrinterBinding &binding() const { return m_binding; }
    // The labels always show the binding's margins, so every change goes through here.
    void setBinding(const PrinterBinding &binding);
    void setPrinterIndex(const QString &index);
    void setMargins(const QString &top, const QString &left);

    // The apply (SpeedButton_PRNSETClick): converts the binding's printer index
    // (platform::EConvertError for a text that is not an integer; nothing changes)
    // and makes that printer current; an index outside the printer list selects the
    // first printer instead. Then refills the three boxes from the printer now
    // current. Errors other than the range error (no printer installed, ...) propagate.
    void SpeedButton_PRNSETClick();

    // The name the registrations store: the printer box's text, trimmed.
    QString printerName() const;

private:
    TOvPrinter &printer() const;
    void showMargins();
    void showPrinter(TOvPrinter &printer);

    Widgets m_widgets;
    TOvPrinter *m_printer;
    PrinterBinding m_binding;
};

} // namespace printing
