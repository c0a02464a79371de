#pragma once

#include <QDateTime>
#include <QFlags>
#include <QString>
#include <QStringList>

namespace orders {

// Printing: claimed by a station for its print job (shared order book), not yet sent.
// ClickPost: written to a Click Post bulk file; it goes out with a Click Post label,
// not a Yu-Pack slip.
enum class OrderState { New = 0, Printed = 1, SetAside = 2, Printing = 3, ClickPost = 4 };

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
    TelExponent = 0x200,     // telephone shown as "9.09E+09": its digits are lost, not mended
    LostCharacter = 0x400,   // "?" where an earlier save in Shift-JIS lost a character
    HonorificRemoved = 0x800,  // "様", "殿", "御中" taken off the name
    NameReordered = 0x1000,  // a name given as "given family" turned to "family given"
    SpreadsheetMark = 0x2000,  // "'090..." or ="090..." written to keep a spreadsheet off a number
    TimeSlotNearest = 0x4000,  // the platform's time slot is none of ours: the nearest that fits
    ContentUpdated = 0x8000,   // a later download changed destination, goods or date; updated
    DeliveryDateUnread = 0x10000,  // a requested date or time that could not be read
};
Q_DECLARE_FLAGS(Repairs, Repair)

// The words for the repairs, in the order of the enum.
QStringList repairTexts(Repairs repairs);
// Stored form: the flags as a decimal number.
QString repairsToText(Repairs repairs);
Repairs repairsFromText(const QString &text);

struct Order;

// One item of an order as the shop sold it; the slip's goods lines are made of these.
struct OrderItem
{
    QString name;   // with its variation
    int quantity = 1;
    bool operator==(const OrderItem &) const = default;
};
QString itemsToText(const QList<OrderItem> &items);
QList<OrderItem> itemsFromText(const QString &text);

// Destination, goods and requested date of a download that came after the order was
// printed: kept beside the printed values, shown on request.
struct OrderChanges
{
    QString zip, add1, add2, custo1, tel, g1, g2, g3, deDate1, deDate2;
    int timeSlot = 0;
    QString sourceFile;
    QString toText() const;
    static OrderChanges fromText(const QString &text);
    // 「おところ：… → …」 lines for the fields that differ from `order`.
    QStringList describe(const Order &order) const;
    // The order with these values in place of its own.
    Order appliedTo(Order order) const;
};

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
    QString add3;    // おところ③ (building, room), printed after line 2
    QString custo1;  // name
    QString tel;     // telephone
    QString g1, g2, g3;
    QString deDate1, deDate2;
    int timeSlot = 0;  // 1..6, 0 = none

    Repairs repairs;
    QList<OrderItem> items;
    QString orderDate;   // "yyyy-MM-dd HH:mm" as the platform wrote it, or "yyyy-MM-dd"; empty: unknown
    QString holdReason;  // why it came in set aside: 「キャンセル」, 「返金済み」, 「発送済み」, 「店頭受取」, ...
    QString pendingChanges;  // OrderChanges::toText() of a download after printing; empty: none
    QString sourceFile;
    QDateTime importedAt;
    QDateTime printedAt;
    QDateTime claimedAt;  // while printing: when its station claimed it
    QString printedPrinter;
    QString printedStation;
};

} // namespace orders

Q_DECLARE_OPERATORS_FOR_FLAGS(orders::Repairs)
