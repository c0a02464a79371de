#pragma once

#include "orders/order.h"

#include <QStringList>

namespace orders {

// Mends what spreadsheets and exports do to the destination, marking each repair.

// "〒1510053", "１５１－００５３", 1510053, 60001 (a lost leading zero) -> "151-0053";
// several parts are joined ("151", "53" -> "151-0053"). Text that is no code stays.
QString repairZip(const QStringList &parts, Repairs *repairs);

// "+81 90-1234-5678" -> "090-1234-5678"; 312345678 -> "0312345678"; parts are
// joined with "-", and a first part that lost its zero gets it back ("90", "1818",
// "4974" -> "090-1818-4974"). "9.09E+09" (a spreadsheet's exponent form) has lost its
// digits: it stays as it is, marked TelExponent. Full-width digits become half-width; hyphen look-alikes and blanks
// between digits become "-" ("090ー1234 5678" -> "090-1234-5678").
QString repairTel(const QStringList &parts, Repairs *repairs);

// Family and given name joined by a full-width space.
QString joinName(const QString &family, const QString &given, Repairs *repairs);

// A name without the honorific a shop or a spreadsheet added: "見本 花子 様" ->
// "見本 花子"; 様, さま, 殿, 御中 at the end.
QString withoutHonorific(const QString &name, Repairs *repairs);

// "花子 見本" (given name first, as a platform writes it) -> "見本　花子"; only a
// name of two parts in Japanese script: a Latin name stays as written.
QString familyFirst(const QString &name, Repairs *repairs);

// Company, department and person in that order, parted by full-width spaces, as the
// slip's name line has them (the text transfer writes them alike).
QString nameWithCompany(const QString &company, const QString &department, const QString &person);

// The cells without the marks a person adds to keep a spreadsheet from reading a code
// as a number: a leading apostrophe, ="…".
QStringList withoutSpreadsheetMarks(const QStringList &cells, Repairs *repairs);

// Whether a text has a "?" (or U+FFFD) where a character was lost by an earlier save
// in a code page that lacked it.
bool hasLostCharacter(const QStringList &texts);

// The address parts (prefecture, city, street, building ...) as the two address lines
// of the slip: the building line second; a first line longer than kAddressLineLength
// is split there (at a blank when one is near the end).
struct AddressLines
{
    QString add1;
    QString add2;
};
AddressLines splitAddress(const QStringList &streetParts, const QStringList &buildingParts,
                          Repairs *repairs);
inline constexpr int kAddressLineLength = 40;

// One item of an order: its name (with the variation) and quantity as exported.
struct GoodsItem
{
    QString name;
    QString quantity; // empty when the export has none
};

// Items as the three goods lines of at most kGoodsLineLength characters, one line
// each: 「商品名 × 数量」 (the quantity left out when it is 1). A name too long for its line
// is cut before the quantity, so the quantity always stays; more than three items give
// two lines and 「ほか N 点」 on the third. Every cut is marked GoodsShortened.
struct GoodsLines
{
    QString g1, g2, g3;
};
GoodsLines goodsLines(const QList<GoodsItem> &items, Repairs *repairs);
// Items without quantities.
GoodsLines goodsLines(const QStringList &items, Repairs *repairs);
// Goods given as separate columns of one row (品名1-3): each column its own line, in its
// place; longer lines are cut and marked.
GoodsLines goodsColumns(const QStringList &columns, Repairs *repairs);
inline constexpr int kGoodsLineLength = 30;

} // namespace orders
