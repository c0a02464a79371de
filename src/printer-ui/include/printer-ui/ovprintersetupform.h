#pragma once

// The program's printer-setup dialog: every visible printer of the layer (the CUPS
// queues and the built-in PDF printer alike), with the paper size and paper source
// of the printer chosen. On OK the choice becomes the back end's current printer and
// settings; the layer resynchronises afterwards (TOvPrinterSetupDialog).

#include <QDialog>
#include <QList>

class OvPrinterBackend;
class QComboBox;
class TOvPrinter;
struct OvNumberedName;

class OvPrinterSetupForm : public QDialog
{
    Q_OBJECT

public:
    OvPrinterSetupForm(TOvPrinter &printer, QWidget *parent = nullptr);

    QComboBox *printerBox() const { return m_printers; }
    QComboBox *paperBox() const { return m_papers; }
    QComboBox *binBox() const { return m_bins; }

    // Makes the choice current in the back end (called on OK).
    void adoptChoice();

private:
    void showChoicesOf(int row);

    TOvPrinter &m_printer;
    OvPrinterBackend &m_backend;
    QList<int> m_positions; // enumeration position of each row of the printer box
    QString m_currentDevice;
    QComboBox *m_printers = nullptr;
    QComboBox *m_papers = nullptr;
    QComboBox *m_bins = nullptr;
};
