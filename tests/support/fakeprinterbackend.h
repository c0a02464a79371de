#pragma once

// A scripted printer back end for tests: printers, hidden bits, ports, settings
// blocks, capability lists and metrics are chosen by the test; every job call is
// recorded, and each page is drawn into a QPicture that the test can inspect.
//
//   auto fake = std::make_unique<FakePrinterBackend>();
//   fake->addPrinter(FakePrinterBackend::standardPrinter("Slip"));
//   FakePrinterBackend *f = fake.get();
//   OvPrinterScope scope(std::move(fake));      // OvPrinter() now uses it

#include "printer/ovprinterbackend.h"

#include <QList>
#include <QPicture>
#include <QStringList>

#include <functional>
#include <memory>

class FakePrinterBackend : public OvPrinterBackend
{
public:
    struct Printer
    {
        QString name;
        quint32 attributes = 0;
        QString port;
        QString driver = QStringLiteral("Fake Driver");
        QByteArray defaultSettings; // block loaded when the printer is selected
        OvCapabilities capabilities;
        OvDeviceMetrics metrics;
        // Driver validation: CannotOpen / Rejected fail; with Ok, `adjust` (if set)
        // may change the block as a driver would.
        OvValidateResult validation = OvValidateResult::Ok;
        std::function<void(QByteArray &)> adjust;
    };

    // A visible A4 printer at 600 dpi: papers A4 (9), A5 (11), Letter (1), bins
    // upper (1) and manual (4), resolutions 300 and 600, 99 copies, every flag set.
    static Printer standardPrinter(const QString &name);
    // Settings block for `fields`, paper 9, bin 1, 600 dpi, scale 100, 1 copy.
    static QByteArray settingsBlock(quint32 fields, quint16 driverExtra = 0);

    FakePrinterBackend();
    ~FakePrinterBackend() override;

    // --- scripting
    int addPrinter(const Printer &printer);        // returns its position
    void removePrinter(int position);
    Printer &printerAt(int position) { return m_printers[position]; }
    int printerCount() const { return int(m_printers.size()); }
    void setDefaultPrinter(int position) { m_default = position; }
    // Extra port names reported besides the printers' own ports (in this order after them).
    void setExtraPorts(const QStringList &ports) { m_extraPorts = ports; }
    void setEnumerationFails(bool fails) { m_enumFails = fails; }
    // The change-check probe sleeps this long on its worker thread (a slow spooler).
    void setProbeDelay(int ms) { m_probeDelayMs = ms; }
    // The printer object's current settings block, as held now.
    QByteArray &currentSettings() { return m_current.settings; }
    // Selects a position without the layer (as another program or a dialog would).
    void selectDirectly(int position);
    // The next currentDevice() reports no settings block (a fresh printer object).
    void dropCurrentSettings() { m_current.settings.clear(); }

    // --- observation
    int currentPosition() const { return m_position; }
    int discardCount() const { return m_discards; }
    int storeCount() const { return m_stores; }         // setCurrentDevice calls
    int validateCount() const { return m_validations; }
    int capabilityQueries() const { return m_capabilityQueries; }
    const OvDeviceRecord &lastStored() const { return m_lastStored; }
    // "BeginDoc:<title>", "NewPage", "EndDoc", "Abort", in call order.
    const QStringList &jobLog() const { return m_jobLog; }
    // Pages of every ended job (aborted jobs keep none).
    const QList<QPicture> &printedPages() const { return m_printedPages; }
    QStringList printedTitles() const { return m_printedTitles; }
    void clearJobLog();
    // Called as a job is sent, before its pages count as printed (a check of what must
    // be on the disk by then).
    void setOnEndDoc(std::function<void()> onEndDoc) { m_onEndDoc = std::move(onEndDoc); }

    // --- OvPrinterBackend
    QList<OvPrinterRecord> enumPrinters() override;
    QStringList enumPorts() override;
    OvValidateResult validateSettings(const QString &device, QByteArray &block) override;
    OvCapabilities deviceCapabilities(const OvDeviceRecord &device) override;
    std::function<OvSystemState()> systemProbe() const override;
    int printerIndex() override;
    void setPrinterIndex(int position) override;
    OvDeviceRecord currentDevice() override;
    void setCurrentDevice(const OvDeviceRecord &device) override;
    OvDeviceMetrics metrics() override;
    void discard() override;
    QPainter *canvas() override;
    QPaintDevice *handle() override;
    bool printing() const override { return m_painter != nullptr; }
    void beginDoc(const QString &title) override;
    void newPage() override;
    void endDoc() override;
    void abort() override;
    QPrinter *dialogPrinter() override { return nullptr; }
    void adoptDialogPrinter(const QPrinter &) override {}

private:
    int findByName(const QString &name) const;
    void loadDefaults(int position);
    void finishPage();

    QList<Printer> m_printers;
    QStringList m_extraPorts;
    int m_default = 0;
    int m_position = -1;
    bool m_enumFails = false;
    std::function<void()> m_onEndDoc;
    int m_probeDelayMs = 0;
    int m_capabilityQueries = 0;
    OvDeviceRecord m_current;
    int m_discards = 0;
    int m_stores = 0;
    int m_validations = 0;
    OvDeviceRecord m_lastStored;
    QStringList m_jobLog;
    QStringList m_printedTitles;
    QList<QPicture> m_printedPages;
    QList<QPicture> m_jobPages;
    QString m_jobTitle;
    std::unique_ptr<QPicture> m_page;
    std::unique_ptr<QPainter> m_painter;
};
