#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace history {

// One parcel sent: what a shop platform needs to tell its buyer where the parcel is.
struct Shipment
{
    QString orderNumber;
    QString sourceFormat;   // the export the order came from; empty for slips typed by hand
    QString trackingNumber; // twelve digits
    QDate shipDate;
    qint64 historyId = 0;   // the history row, marked 「報告済み」 once written to a file
};

// File layouts for the platforms' shipment uploads. Generic always works (a table for
// a person or a spreadsheet); the others follow the platform's published upload
// template, and hold only the orders that came from that platform.
enum class ExportLayout {
    Generic,
    // The marketplace's "shipping confirmation" flat file: tab-separated, its own
    // column names, dates as yyyy-mm-dd, an unlisted carrier as "Other" plus its name.
    AmazonShippingConfirmation,
};

enum class ExportEncoding { Utf8WithBom, Cp932 };

struct ExportLayoutInfo
{
    ExportLayout layout;
    QString title;         // shown in the export dialog
    QString fileName;      // suggested file name
    QString sourceFormat;  // orders of this source only; empty: every order
};

const QList<ExportLayoutInfo> &exportLayouts();
const ExportLayoutInfo &exportLayoutInfo(ExportLayout layout);

// The shipments a layout takes: those with a tracking number and an order number (a
// hand-typed slip or a Click Post parcel has nothing a shop could match) and, for a
// platform's layout, from that platform.
QList<Shipment> shipmentsFor(ExportLayout layout, const QList<Shipment> &shipments);

// The whole file, header row first, CR LF line ends.
QByteArray shipmentFile(ExportLayout layout, ExportEncoding encoding, const QList<Shipment> &shipments);

// Writes the file through a copy renamed over the old one; raises platform::EFileError.
// Returns how many shipments it holds.
int writeShipmentFile(const QString &path, ExportLayout layout, ExportEncoding encoding,
                      const QList<Shipment> &shipments);

// What the export dialog and `mekira --export` choose.
struct ShipmentExportOptions
{
    ExportLayout layout = ExportLayout::Generic;
    ExportEncoding encoding = ExportEncoding::Cp932;
    QDate from;                 // printed on or after; null: no limit
    QDate to;                   // printed on or before; null: no limit
    bool unreportedOnly = true; // only shipments no file has reported yet
    bool splitByShop = false;   // one file per shop platform: "<name>-<platform>.<ext>"
};

// The files an export writes: `path` itself, or one per platform beside it.
struct ShipmentExportResult
{
    QStringList files;
    int shipments = 0;
};

// The file a shop's shipments go to when split by shop.
QString shopFilePath(const QString &path, const QString &sourceFormat);

// The carrier and service every slip of this program is for.
QString carrierName();
QString serviceName();

} // namespace history
