#include "orders/deliverytime.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

#include <array>

namespace orders {

namespace {

QString normalised(const QString &text)
{
    // Full-width digits, colons and tildes become ASCII; wave dashes and the other
    // range marks become "-".
    QString s = text.normalized(QString::NormalizationForm_KC).trimmed();
    for (QChar &c : s) {
        if (c == u'〜' || c == u'~' || c == u'～' || c == u'ー' || c == u'−' || c == u'–' || c == u'—')
            c = u'-';
    }
    return s;
}

struct Window
{
    int from;
    int to;
};
// Our six slots, in hours.
constexpr std::array<Window, 6> kSlots{{{8, 12}, {12, 14}, {14, 16}, {16, 18}, {18, 20}, {19, 21}}};

int slotForWindow(Window w, Repairs *repairs)
{
    for (std::size_t i = 0; i < kSlots.size(); ++i)
        if (kSlots[i].from == w.from && kSlots[i].to == w.to)
            return int(i) + 1;
    *repairs |= Repair::TimeSlotNearest;
    int best = 0;
    int bestScore = -1000;
    for (std::size_t i = 0; i < kSlots.size(); ++i) {
        const Window s = kSlots[i];
        int score;
        if (s.from <= w.from && w.to <= s.to)
            score = 100 - (s.to - s.from);  // contains the window: the narrowest
        else
            score = std::min(s.to, w.to) - std::max(s.from, w.from);  // overlap, negative: distance
        if (score > bestScore) {
            bestScore = score;
            best = int(i) + 1;
        }
    }
    return best;
}

} // namespace

std::optional<QDate> readDate(const QString &text, int defaultYear)
{
    const QString s = normalised(text);
    if (s.isEmpty())
        return std::nullopt;
    static const QRegularExpression compact(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    static const QRegularExpression written(
        QStringLiteral("^(?:(\\d{4})\\s*[/.年-]\\s*)?(\\d{1,2})\\s*[/.月-]\\s*(\\d{1,2})\\s*日?(?:[\\sT(（].*)?$"));
    QRegularExpressionMatch m = compact.match(s);
    if (!m.hasMatch())
        m = written.match(s);
    if (!m.hasMatch())
        return std::nullopt;
    const int year = m.captured(1).isEmpty() ? defaultYear : m.captured(1).toInt();
    const QDate date(year, m.captured(2).toInt(), m.captured(3).toInt());
    return date.isValid() ? std::optional(date) : std::nullopt;
}

int timeSlotFor(const QString &text, Repairs *repairs)
{
    const QString s = normalised(text);
    if (isNoRequest(s))
        return 0;
    // 楽天's codes: 1 午前, 2 午後, or the hours as "0812", "1416".
    if (s.contains(u"午前") || s.compare(u"AM", Qt::CaseInsensitive) == 0 || s == u"1")
        return 1;
    if (s == u"2")
        return slotForWindow({12, 18}, repairs);
    static const QRegularExpression range(
        QStringLiteral("(\\d{1,2})(?::\\d{2})?\\s*時?頃?\\s*(?:-|から)\\s*(\\d{1,2})(?::\\d{2})?\\s*時?"));
    static const QRegularExpression code(QStringLiteral("^(\\d{2})(\\d{2})$"));
    QRegularExpressionMatch m = range.match(s);
    if (!m.hasMatch())
        m = code.match(s);
    if (m.hasMatch()) {
        const int from = m.captured(1).toInt();
        const int to = m.captured(2).toInt();
        if (from < to && to <= 24)
            return slotForWindow({from, to}, repairs);
    }
    if (s.contains(u"午後") || s.compare(u"PM", Qt::CaseInsensitive) == 0)
        return slotForWindow({12, 18}, repairs);
    if (s.contains(u"夜"))
        return slotForWindow({18, 21}, repairs);
    *repairs |= Repair::DeliveryDateUnread;
    return 0;
}

bool isNoRequest(const QString &text)
{
    const QString s = normalised(text);
    return s.isEmpty() || s.contains(u"指定なし") || s.contains(u"指定しない") || s == u"なし" || s == u"-"
        || s == u"0";
}

QString timeSlotName(int slot)
{
    static const char *const names[] = {"指定なし", "午前中", "12-14時", "14-16時", "16-18時", "18-20時", "19-21時"};
    return slot >= 0 && slot <= 6 ? QString::fromUtf8(names[slot]) : QString();
}

QString normalisedOrderDate(const QString &text)
{
    const QString s = normalised(text);
    if (s.isEmpty())
        return {};
    static const QTimeZone japan(QByteArrayLiteral("Asia/Tokyo"));
    // ISO 8601 with an offset: moved to Japan time.
    if (s.contains(u'T')) {
        const QDateTime at = QDateTime::fromString(s, Qt::ISODate);
        if (at.isValid())
            return (japan.isValid() ? at.toTimeZone(japan) : at.toOffsetFromUtc(9 * 3600)).toString(u"yyyy-MM-dd HH:mm");
    }
    const std::optional<QDate> date = readDate(s.section(u' ', 0, 0), 0);
    if (!date || date->year() == 0)
        return {};
    static const QRegularExpression clock(QStringLiteral("\\s(\\d{1,2}):(\\d{2})"));
    const QRegularExpressionMatch m = clock.match(s);
    if (!m.hasMatch())
        return date->toString(u"yyyy-MM-dd");
    return QStringLiteral("%1 %2:%3").arg(date->toString(u"yyyy-MM-dd"))
        .arg(m.captured(1).toInt(), 2, 10, QLatin1Char('0')).arg(m.captured(2));
}

} // namespace orders
