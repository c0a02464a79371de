#include "postal/addresskey.h"

#include "platform/textnormalize.h"

#include <array>

namespace postal {

namespace {

int kanjiDigit(char16_t c)
{
    static constexpr std::array<char16_t, 10> kDigits{u'〇', u'一', u'二', u'三', u'四',
                                                      u'五', u'六', u'七', u'八', u'九'};
    for (std::size_t i = 0; i < kDigits.size(); ++i) {
        if (kDigits[i] == c)
            return int(i);
    }
    return -1;
}

int kanjiUnit(char16_t c)
{
    switch (c) {
    case u'十':
        return 10;
    case u'百':
        return 100;
    case u'千':
        return 1000;
    default:
        return 0;
    }
}

bool isKanjiNumeral(char16_t c)
{
    return kanjiDigit(c) >= 0 || kanjiUnit(c) > 0;
}

// "二十九" -> 29, "百二" -> 102, "二〇" -> 20.
int kanjiValue(QStringView run)
{
    int total = 0;
    int current = 0;
    bool hasCurrent = false;
    for (const QChar c : run) {
        const int digit = kanjiDigit(c.unicode());
        if (digit >= 0) {
            current = hasCurrent ? current * 10 + digit : digit;
            hasCurrent = true;
        } else {
            total += (hasCurrent ? current : 1) * kanjiUnit(c.unicode());
            current = 0;
            hasCurrent = false;
        }
    }
    return total + current;
}

bool followedByCounter(QStringView text, qsizetype at)
{
    const QStringView rest = text.mid(at);
    return rest.startsWith(u'丁') || rest.startsWith(u'条') || rest.startsWith(u'線')
        || rest.startsWith(u"地割");
}

QString kanjiNumeralsToDigits(const QString &text)
{
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (!isKanjiNumeral(text[i].unicode())) {
            out += text[i++];
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && isKanjiNumeral(text[end].unicode()))
            ++end;
        const QStringView run = QStringView(text).mid(i, end - i);
        if (followedByCounter(text, end) && run.size() <= 6)
            out += QString::number(kanjiValue(run));
        else
            out += run;
        i = end;
    }
    return out;
}

} // namespace

QString addressKey(QStringView text)
{
    const QString folded = text.toString().normalized(QString::NormalizationForm_KC);
    QString out;
    out.reserve(folded.size());
    for (const QChar c : folded) {
        const char16_t u = c.unicode();
        if (c.isSpace())
            continue;
        switch (u) {
        case u'ヶ':
        case u'ヵ':
        case u'が':
            out += u'ケ';
            continue;
        case u'の':
            out += u'ノ';
            continue;
        default:
            break;
        }
        out += c;
    }
    // "ー" is part of katakana names; only after a digit is it a hyphen.
    return kanjiNumeralsToDigits(platform::hyphensAfterDigits(out));
}

} // namespace postal
