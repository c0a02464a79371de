#pragma once

#include <QDateTime>
#include <QFlags>
#include <QString>
#include <QStringList>

namespace orders {

// Printing: claimed by a station for its print job (shared order book), not yet sent.
enum class OrderState { New = 0, Printed = 1, SetAside = 2, Printing = 3 };

// What the import mended in an order's data; each is shown with the order.
enum class Repair {
    ZipLeadingZero = 0x01,   // postal code that lost its leading zero
    ZipFormat = 0x02,        // hyphen added or removed, full-width digits, "〒"
    ZipJoined = 0x04,        // postal code given in two columns
    TelLeadingZero = 0x08,   // telephone number that lost its leading zero
    NameJoined = 0x10,       // family and given name joined
    AddressJoined = 0x20,    // address joined from several columns
    AddressSplit = 0x40,     // address split over the two address lines
    GoodsJoined = 0x80,      // goods of several item rows joined
    GoodsShortened = 0x100,  // goods longer than the three lines, cut
};
Q_DECLARE_FLAGS(Repairs, Repair)

// The words for the repairs, in the order of the enum.
QStringList repairTexts(Repairs repairs);
// Stored form: the flags as a decimal number.
QString repairsToText(Repairs repairs);
Repairs repairsFromText(const QString &text);

// One order as the order book keeps it: where it came from and the destination and
// goods of its slip, named like the slip fields.
struct Order
{
    qint64 id = 0;
    QString sourceFormat;  // format id ("base", "shopify", ...; "mapped:<header key>")
    QString orderKey;      // order number, or "#" and a hash of the row's content
    QString orderNumber;
    OrderState state = OrderState::New;

    QString zip;     // destination postal code
    QString add1;    // address lines 1 and 2
    QString add2;
    QString custo1;  // name
    QString tel;     // telephone
    QString g1, g2, g3;
    QString deDate1, deDate2;
    int timeSlot = 0;  // 1..6, 0 = none

    Repairs repairs;
    QString sourceFile;
    QDateTime importedAt;
    QDateTime printedAt;
    QDateTime claimedAt;  // while printing: when its station claimed it
    QString printedPrinter;
    QString printedStation;
};

} // namespace orders

Q_DECLARE_OPERATORS_FOR_FLAGS(orders::Repairs)
