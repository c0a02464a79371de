#include "numedit/numvalue.h"

namespace numedit {

QChar halfWidthNumberChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'０' && u <= u'９')
        return QChar(u'0' + (u - u'０'));
    if (u == u'－')
        return QLatin1Char('-');
    if (u == u'．')
        return QLatin1Char('.');
    return c;
}

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Puts "," after every third digit counted from the right.
QString groupThousands(const QString &digits)
{
    QString out;
    const qsizetype n = digits.size();
    out.reserve(n + n / 3);
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += QLatin1Char(',');
        out += digits.at(i);
    }
    return out;
}

} // namespace

QString filterText(const QString &s, const NumFormat &format)
{
    QString normal;
    normal.reserve(s.size());
    for (const QChar c : s) {
        if (c == u'，')
            continue;
        normal += halfWidthNumberChar(c);
    }

    QString r;
    for (qsizetype i = 0; i < normal.size(); ++i) {
        const QChar c = normal.at(i);
        if (c == QLatin1Char(','))
            continue;
        if (c == QLatin1Char('.')) {
            if (format.decimalLength == 0 || r.contains(QLatin1Char('.')))
                break;
            r += c;
        } else if (c == QLatin1Char('-')) {
            if (!format.minus || i > 0)
                break;
            r += c;
        } else if (isAsciiDigit(c)) {
            r += c;
        } else {
            break;
        }
    }
    if (r.isEmpty())
        return r;

    const int neg = r.startsWith(QLatin1Char('-')) ? 1 : 0;
    // Leading zeros are dropped later and do not count against the digit limit:
    // 「0012」 in a three-digit box is 12.
    qsizetype zeros = 0;
    while (neg + zeros < r.size() && r.at(neg + zeros) == QLatin1Char('0'))
        ++zeros;
    const qsizetype lead = neg + zeros;
    const qsizetype point = r.indexOf(QLatin1Char('.'));
    if (point >= 0) {
        if (r.size() - point - 1 > format.decimalLength)
            r.truncate(point + 1 + format.decimalLength);
        if (point - lead > format.integerLength)
            r.clear();
    } else if (r.size() - lead > format.integerLength) {
        r.truncate(lead + format.integerLength);
    }
    return r;
}

QString trimZeros(const QString &t)
{
    const bool neg = t.startsWith(QLatin1Char('-'));
    QString rest = neg ? t.mid(1) : t;
    qsizetype zeros = 0;
    while (zeros < rest.size() && rest.at(zeros) == QLatin1Char('0'))
        ++zeros;
    rest.remove(0, zeros);
    if (zeros > 0 && rest.isEmpty())
        rest = QStringLiteral("0");
    if (rest.startsWith(QLatin1Char('.')))
        rest.prepend(QLatin1Char('0'));
    if (neg)
        rest.prepend(QLatin1Char('-'));
    return rest;
}

QString formatText(const QString &t, const NumFormat &format)
{
    QString body = t;
    const bool neg = body.contains(QLatin1Char('-'));
    body.remove(QLatin1Char('-'));

    QString intPart = body;
    QString decPart;
    const qsizetype point = body.indexOf(QLatin1Char('.'));
    const bool hadPoint = point >= 0;
    if (hadPoint) {
        intPart = body.left(point);
        decPart = body.mid(point + 1);
    }
    if (format.comma)
        intPart = groupThousands(intPart);
    if (format.decimalFixed) {
        const int len = qMax(format.decimalLength, 0);
        decPart = decPart.left(len).leftJustified(len, QLatin1Char('0'));
    }
    if (hadPoint || format.decimalFixed)
        decPart.prepend(QLatin1Char('.'));
    if (format.decimalFixed && intPart.isEmpty())
        intPart = QStringLiteral("0");

    QString out = intPart + decPart;
    if (neg)
        out.prepend(QLatin1Char('-'));
    if (!out.isEmpty())
        out = format.leftMark + out + format.rightMark;
    return out;
}

QString valueOf(const QString &v, const NumFormat &format)
{
    return trimZeros(filterText(v, format));
}

CaretParts caretParts(const QString &t, const NumFormat &format)
{
    NumFormat noUnit = format;
    noUnit.rightMark.clear();
    if (!format.decimalFixed)
        return {formatText(t, noUnit), {}};

    const qsizetype point = t.indexOf(QLatin1Char('.'));
    const QString intPart = point >= 0 ? t.left(point) : t;
    const QString rest = point >= 0 ? t.mid(point) : QString();
    QString head;
    if (intPart.isEmpty()) {
        head = format.leftMark + QStringLiteral("0");
    } else if (intPart == QLatin1String("-")) {
        head = format.leftMark + QStringLiteral("-0");
    } else {
        NumFormat integers = noUnit;
        integers.decimalLength = 0;
        integers.decimalFixed = false;
        head = formatText(intPart, integers);
    }
    return {head, rest};
}

} // namespace numedit
