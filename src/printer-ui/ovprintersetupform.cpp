#include "printer-ui/ovprintersetupform.h"

#include "printer/ovprinters.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

namespace {

// Item data of the entry that keeps what the printer itself starts with.
constexpr int kPrinterDefault = -1;

// Fills a paper or bin box. `selected` is the number in force for the current
// printer; another printer starts with its own default, offered as the first entry.
void fillNumbered(QComboBox *box, const QList<OvNumberedName> &items, int count,
                  std::optional<int> selected)
{
    box->clear();
    if (!selected)
        box->addItem(QStringLiteral("（プリンタの既定）"), kPrinterDefault);
    for (int i = 0; i < std::min<int>(count, int(items.size())); ++i)
        box->addItem(items.at(i).name, int(qint16(items.at(i).number)));
    if (selected) {
        const int at = box->findData(int(qint16(*selected)));
        box->setCurrentIndex(at >= 0 ? at : 0);
    }
    box->setEnabled(box->count() > 0);
}

// The number chosen in a box, if any other than the printer's own default.
std::optional<qint16> chosenNumber(const QComboBox *box)
{
    if (box->currentIndex() < 0 || box->currentData().toInt() == kPrinterDefault)
        return std::nullopt;
    return qint16(box->currentData().toInt());
}

} // namespace

OvPrinterSetupForm::OvPrinterSetupForm(TOvPrinter &printer, QWidget *parent)
    : QDialog(parent), m_printer(printer), m_backend(printer.backend())
{
    setWindowTitle(QStringLiteral("プリンタの設定"));
    m_printers = new QComboBox(this);
    m_printers->setObjectName(QStringLiteral("printerBox"));
    m_papers = new QComboBox(this);
    m_papers->setObjectName(QStringLiteral("paperBox"));
    m_bins = new QComboBox(this);
    m_bins->setObjectName(QStringLiteral("binBox"));
    m_printers->setMinimumWidth(260);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("プリンタ名(&N):"), m_printers);
    form->addRow(QStringLiteral("用紙サイズ(&Z):"), m_papers);
    form->addRow(QStringLiteral("給紙方法(&S):"), m_bins);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    // The visible printers in the layer's order: row i is what Index i selects.
    const TOvAllPrintersInfo &all = m_printer.AllInfo();
    if (all.Count() > 0)
        m_currentDevice = m_backend.currentDevice().device;
    int currentRow = 0;
    for (quint32 i = 0; i < all.Count(); ++i) {
        if (all.IsHidden(i))
            continue;
        if (all.Name(i) == m_currentDevice)
            currentRow = int(m_positions.size());
        m_positions.append(int(i));
        m_printers->addItem(all.Name(i));
    }
    m_printers->setCurrentIndex(m_positions.isEmpty() ? -1 : currentRow);
    showChoicesOf(m_printers->currentIndex());
    connect(m_printers, &QComboBox::currentIndexChanged, this, &OvPrinterSetupForm::showChoicesOf);
}

void OvPrinterSetupForm::showChoicesOf(int row)
{
    m_papers->clear();
    m_bins->clear();
    if (row < 0)
        return;
    const QString name = m_printers->itemText(row);
    const bool current = name == m_currentDevice;
    const OvDeviceRecord device = current ? m_backend.currentDevice() : OvDeviceRecord{name, {}, {}, {}};
    const OvCapabilities caps = m_backend.deviceCapabilities(device);
    const OvDevMode mode = ovReadDevMode(device.settings);
    fillNumbered(m_papers, caps.papers, caps.paperCount,
                 current ? std::optional<int>(mode.dmPaperSize) : std::nullopt);
    fillNumbered(m_bins, caps.bins, caps.binCount,
                 current ? std::optional<int>(mode.dmDefaultSource) : std::nullopt);
}

void OvPrinterSetupForm::adoptChoice()
{
    const int row = m_printers->currentIndex();
    if (row < 0)
        return;
    if (m_printers->itemText(row) != m_currentDevice)
        m_backend.setPrinterIndex(m_positions.at(row)); // with its default settings
    OvDeviceRecord device = m_backend.currentDevice();
    OvDevMode mode = ovReadDevMode(device.settings);
    if (const auto paper = chosenNumber(m_papers)) {
        mode.dmPaperSize = *paper;
        if (*paper != OvUserPaperSize)
            mode.dmFields &= ~(OvDm::PaperLength | OvDm::PaperWidth);
    }
    if (const auto bin = chosenNumber(m_bins))
        mode.dmDefaultSource = *bin;
    ovWriteDevMode(device.settings, mode);
    // A block the driver does not accept is completed by it; it becomes current anyway.
    m_backend.validateSettings(device.device, device.settings);
    m_backend.setCurrentDevice(device);
}
