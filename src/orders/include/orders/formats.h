#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace orders {

// What a column of an order file holds.
enum class Field {
    OrderNumber,
    Zip,         // several columns: the parts of one code ("123", "4567")
    Prefecture,
    City,
    Address1,
    Address2,    // building, room
    Address3,
    FamilyName,
    GivenName,
    Name,        // the whole name in one column
    Tel,         // several columns: the parts of one number
    Item,
    Variation,
    Quantity,
    // Added later: stored mappings number the fields, so new ones go at the end.
    OrderDate,
    DeliveryDate,   // the requested delivery date
    DeliveryTime,   // the requested time slot
    Status,         // several columns: all are read (payment, shipping, method)
    Cancelled,      // a column that is filled only for a cancelled order ("Cancelled at")
    DestinationId,  // one order with several destinations: which one a row is for
    Company,
    Department,
};
inline constexpr int kFieldCount = int(Field::Department) + 1;

// Which columns make each field; a field of several columns is joined in this order.
struct ColumnMapping
{
    QHash<Field, QList<int>> columns;

    bool isValid() const;  // a destination: a postal code or an address, and a name
    QString toText() const;            // stored form
    static ColumnMapping fromText(const QString &text);
};

// One shop platform's export, recognised by its header row. A table, not code: a new
// platform is one more entry in formats().
struct OrderFormat
{
    QString id;
    QString name;  // shown to the user
    std::vector<std::pair<Field, QString>> columns;  // field <- header; repeated fields join
    // A row whose order-number cell holds this belongs to the order above it.
    QString continuationMarker = {};
    // The whole-name column holds "given family" (as the platform documents it).
    bool givenNameFirst = false;
    // A file of items only, joined to the orders of the same format by order number.
    bool itemsOnly = false;
    // Status cells written as codes: the code and the word it stands for.
    std::vector<std::pair<QString, QString>> statusCodes = {};
};

const std::vector<OrderFormat> &formats();

// Columns an export may leave out (a shop may choose the columns of its download, an
// older export lacks newer ones): the building line, the telephone, the goods. The
// order number, postal code, address and name are never optional.
bool isOptional(Field field);
bool isOptional(const OrderFormat &format, Field field);

// The name of the platform a format id belongs to, for the list ("mapped:…" is the
// user's own mapping).
QString platformName(const QString &formatId);

// The format whose required columns are all in the header; of several, the one that
// finds most of its columns. The header's cells are compared trimmed.
const OrderFormat *recogniseFormat(const QStringList &header);

// The mapping of a known format onto this header's column positions (the optional
// columns the header lacks are left out).
ColumnMapping mappingFor(const OrderFormat &format, const QStringList &header);

// The key under which a mapping for an unknown header is remembered.
QString headerKey(const QStringList &header);

// The field's name in the mapping dialog.
QString fieldName(Field field);

} // namespace orders
