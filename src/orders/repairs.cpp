#include "orders/repairs.h"

#include "platform/textnormalize.h"

#include <QRegularExpression>

#include <algorithm>

namespace orders {

namespace {

// Digits of a text in half-width, after the forms spreadsheets give to numbers.
QString digitsOf(const QString &text)
{
    return platform::digitsOnly(text.normalized(QString::NormalizationForm_KC));
}

// The groups of a telephone number parted by hyphens: every hyphen look-alike becomes
// "-", and blanks between two digits ("090 1234 5678") do too.
QString hyphenated(QString text)
{
    std::replace_if(text.begin(), text.end(), platform::isHyphenLike, QLatin1Char('-'));
    static const QRegularExpression blanksInNumber(QStringLiteral("(?<=[0-9])\\s+(?=[0-9])"));
    return text.replace(blanksInNumber, QStringLiteral("-"));
}

QString trimmedJoin(const QStringList &parts, QStringView separator)
{
    QStringList kept;
    for (const QString &part : parts)
        if (!part.trimmed().isEmpty())
            kept << part.trimmed();
    return kept.join(separator);
}

} // namespace

QString repairZip(const QStringList &parts, Repairs *repairs)
{
    QStringList cleaned;
    for (const QString &part : parts)
        if (!part.trimmed().isEmpty())
            cleaned << part.trimmed();
    if (cleaned.isEmpty())
        return {};
    QString digits;
    if (cleaned.size() >= 2) {
        // "60" and "0001": the first part lost its zero; the second pads to four.
        QString head = digitsOf(cleaned.at(0));
        QString tail = digitsOf(cleaned.at(1));
        if (head.size() < 3 || tail.size() < 4) {
            head = head.rightJustified(3, u'0');
            tail = tail.rightJustified(4, u'0');
            *repairs |= Repair::ZipLeadingZero;
        }
        digits = head + tail;
        *repairs |= Repair::ZipJoined;
    } else {
        digits = digitsOf(cleaned.at(0));
        if (digits.size() == 6 || digits.size() == 5) {
            // A spreadsheet read the code as a number; 6 digits lost one zero, 5 lost two.
            digits = digits.rightJustified(7, u'0');
            *repairs |= Repair::ZipLeadingZero;
        }
    }
    if (digits.size() != 7)
        return cleaned.join(u' ');
    const QString code = digits.left(3) + u'-' + digits.mid(3);
    if (cleaned.size() == 1 && cleaned.at(0) != code && !repairs->testFlag(Repair::ZipLeadingZero))
        *repairs |= Repair::ZipFormat;
    return code;
}

QString repairTel(const QStringList &rawParts, Repairs *repairs)
{
    static const QRegularExpression exponent(QStringLiteral("^[0-9]+(\\.[0-9]+)?[eE]\\+?[0-9]+$"));
    QStringList parts;
    for (const QString &part : rawParts) {
        const QString p = part.trimmed().normalized(QString::NormalizationForm_KC);
        if (exponent.match(p).hasMatch()) {
            *repairs |= Repair::TelExponent;
            return trimmedJoin(rawParts, u"-");
        }
        if (!p.isEmpty())
            parts << p;
    }
    // Japanese numbers begin with 0: a first part of digits without it lost it.
    if (parts.size() >= 2 && !parts.first().startsWith(u'0') && !parts.first().startsWith(u'+')
        && digitsOf(parts.first()) == parts.first() && parts.first().size() <= 4) {
        parts.first().prepend(u'0');
        *repairs |= Repair::TelLeadingZero;
    }
    QString text = hyphenated(trimmedJoin(parts, u"-"));
    if (text.isEmpty())
        return {};
    if (text.startsWith(u"+81")) {
        text = text.mid(3).trimmed();
        if (text.startsWith(u'-') || text.startsWith(u'('))
            text = text.mid(1);
        if (!text.startsWith(u'0'))
            text.prepend(u'0');
        text.replace(u' ', u'-');
        *repairs |= Repair::TelLeadingZero;
        return text;
    }
    const QString digits = digitsOf(text);
    if (!text.startsWith(u'0') && !text.startsWith(u'(') && (digits.size() == 9 || digits.size() == 10)
        && digits.size() == text.size()) {
        // A number cell: 9 digits were a 10-digit line number, 10 digits a mobile one.
        *repairs |= Repair::TelLeadingZero;
        return u'0' + digits;
    }
    return text;
}

QString joinName(const QString &family, const QString &given, Repairs *repairs)
{
    const QString f = family.trimmed();
    const QString g = given.trimmed();
    if (f.isEmpty() || g.isEmpty())
        return f + g;
    *repairs |= Repair::NameJoined;
    return f + u'　' + g;
}

QString withoutHonorific(const QString &name, Repairs *repairs)
{
    static const QRegularExpression honorific(QStringLiteral("[\\s　]*(様|さま|サマ|殿|御中)[\\s　]*$"));
    QString result = name.trimmed();
    const QRegularExpressionMatch m = honorific.match(result);
    // A name that is the honorific alone, or 「様」 the whole family name, is left.
    if (m.hasMatch() && m.capturedStart() > 0) {
        result.truncate(m.capturedStart());
        *repairs |= Repair::HonorificRemoved;
    }
    return result;
}

QString familyFirst(const QString &name, Repairs *repairs)
{
    static const QRegularExpression blanks(QStringLiteral("[\\s　]+"));
    const QStringList parts = name.trimmed().split(blanks, Qt::SkipEmptyParts);
    if (parts.size() != 2)
        return name.trimmed();
    const auto japanese = [](const QString &part) {
        return std::any_of(part.begin(), part.end(), [](QChar c) { return c.unicode() >= 0x3000; });
    };
    if (!japanese(parts.at(0)) || !japanese(parts.at(1)))
        return name.trimmed();
    *repairs |= Repair::NameReordered;
    return parts.at(1) + u'　' + parts.at(0);
}

QString nameWithCompany(const QString &company, const QString &department, const QString &person)
{
    QStringList parts;
    for (const QString &part : {company, department, person})
        if (!part.trimmed().isEmpty() && !parts.contains(part.trimmed()))
            parts << part.trimmed();
    return parts.join(u'　');
}

QStringList withoutSpreadsheetMarks(const QStringList &cells, Repairs *repairs)
{
    QStringList result;
    for (const QString &cell : cells) {
        QString c = cell.trimmed();
        if (c.startsWith(u"=\"") && c.endsWith(u'"') && c.size() >= 3) {
            c = c.mid(2, c.size() - 3);
            *repairs |= Repair::SpreadsheetMark;
        } else if (c.startsWith(u'\'') && c.size() > 1) {
            c = c.mid(1);
            *repairs |= Repair::SpreadsheetMark;
        }
        result << c;
    }
    return result;
}

bool hasLostCharacter(const QStringList &texts)
{
    return std::any_of(texts.begin(), texts.end(), [](const QString &text) {
        return text.contains(u'?') || text.contains(QChar(0xFFFD));
    });
}

AddressLines splitAddress(const QStringList &streetParts, const QStringList &buildingParts,
                          Repairs *repairs)
{
    int used = 0;
    for (const QString &part : streetParts + buildingParts)
        used += part.trimmed().isEmpty() ? 0 : 1;
    if (used > 1)
        *repairs |= Repair::AddressJoined;
    // Prefecture, city and street are written together; a blank only between parts
    // that both end and start with a latin letter or digit.
    QString street;
    for (const QString &raw : streetParts) {
        const QString part = raw.trimmed();
        if (part.isEmpty() || street.endsWith(part))
            continue;
        if (!street.isEmpty() && street.back().unicode() < 0x80 && part.front().unicode() < 0x80)
            street += u' ';
        street += part;
    }
    QString building = trimmedJoin(buildingParts, u"　");
    if (street.size() > kAddressLineLength) {
        int cut = kAddressLineLength;
        for (int i = kAddressLineLength; i > kAddressLineLength - 12; --i) {
            if (street.at(i) == u' ' || street.at(i) == u'　') {
                cut = i;
                break;
            }
        }
        const QString rest = street.mid(cut).trimmed();
        street.truncate(cut);
        building = building.isEmpty() ? rest : rest + u'　' + building;
        *repairs |= Repair::AddressSplit;
    }
    return {street, building};
}

namespace {

QString cutLine(const QString &text, Repairs *repairs)
{
    if (text.size() <= kGoodsLineLength)
        return text;
    *repairs |= Repair::GoodsShortened;
    return text.left(kGoodsLineLength);
}

} // namespace

GoodsLines goodsLines(const QList<GoodsItem> &items, Repairs *repairs)
{
    QStringList lines;
    for (const GoodsItem &item : items) {
        const QString name = item.name.trimmed();
        if (name.isEmpty())
            continue;
        const QString quantity = item.quantity.trimmed();
        const QString suffix = quantity.isEmpty() || quantity == u"1" ? QString() : QStringLiteral(" × ") + quantity;
        if (name.size() + suffix.size() > kGoodsLineLength) {
            lines << name.left(std::max<qsizetype>(1, kGoodsLineLength - suffix.size())) + suffix;
            *repairs |= Repair::GoodsShortened;
        } else {
            lines << name + suffix;
        }
    }
    if (lines.size() > 1)
        *repairs |= Repair::GoodsJoined;
    if (lines.size() > 3) {
        lines = {lines.at(0), lines.at(1), QStringLiteral("ほか %1 点").arg(lines.size() - 2)};
        *repairs |= Repair::GoodsShortened;
    }
    lines.resize(3);
    return {lines[0], lines[1], lines[2]};
}

GoodsLines goodsLines(const QStringList &items, Repairs *repairs)
{
    QList<GoodsItem> list;
    for (const QString &item : items)
        list.append({item, QString()});
    return goodsLines(list, repairs);
}

GoodsLines goodsColumns(const QStringList &columns, Repairs *repairs)
{
    if (columns.size() > 3)
        return goodsLines(columns, repairs);
    QStringList lines;
    for (const QString &column : columns)
        lines << cutLine(column.trimmed(), repairs);
    lines.resize(3);
    return {lines[0], lines[1], lines[2]};
}

} // namespace orders
