#include "transfer/smartnames.h"

#include "transfer/smartnumbers.h"
#include "transfer/smartsentences.h"
#include "transfer/smarttext.h"

#include <algorithm>

namespace transfer::smart {

namespace {

bool isOpenBracket(QChar c) { return c == u'(' || c == u'（'; }
bool isCloseBracket(QChar c) { return c == u')' || c == u'）'; }

// A bracketed note after a name that is no part of it: the reading, the name in
// Latin letters, a relation ("母", "本人"). "(株)" and the like are the company's.
bool isNote(QStringView note)
{
    if (note.isEmpty() || hasLegalForm(u'(' + note.toString() + u')'))
        return false;
    const bool latin = std::all_of(note.begin(), note.end(), [](QChar c) {
        return (c.unicode() < 0x80 && (c.isLetter() || c == u' ' || c == u'.' || c == u'-'))
               || (c.unicode() >= 0xFF21 && c.unicode() <= 0xFF5A) || c == u'\u3000';
    });
    constexpr qsizetype kLongestRelation = 4;
    return latin || isReading(note) || note.size() <= kLongestRelation;
}

// "ご担当", "担当者" and the like between a company and its person.
bool isContactWord(QStringView word)
{
    return word == u"ご担当" || word == u"ご担当者" || word == u"担当" || word == u"担当者" || word == u"ご担当者様"
           || word == u"担当者様" || word == u"御担当";
}

struct Split
{
    QStringView before;
    QStringView after;
    bool found = false;
};

// The first blank-parted word that names the contact, and the text around it.
Split aroundContactWord(QStringView s)
{
    qsizetype i = 0;
    while (i < s.size()) {
        while (i < s.size() && isSpace(s.at(i)))
            ++i;
        qsizetype j = i;
        while (j < s.size() && !isSpace(s.at(j)))
            ++j;
        if (j > i && isContactWord(s.sliced(i, j - i)))
            return {trimmed(s.first(i)), trimmed(s.sliced(j)), true};
        i = j;
    }
    return {};
}

} // namespace

NameParts splitName(QStringView name)
{
    QStringView s = trimmedPiece(name);
    if (isContactWord(s))
        return {};
    if (const Split contact = aroundContactWord(s); contact.found)
        return {contact.before, withoutRelation(contact.after)};
    if (!s.isEmpty() && isCloseBracket(s.back())) {
        qsizetype open = s.size() - 1;
        while (open > 0 && !isOpenBracket(s.at(open)))
            --open;
        if (open > 0) {
            const QStringView note = trimmed(s.sliced(open + 1, s.size() - open - 2));
            const QStringView before = trimmedPiece(s.first(open));
            if (isCompany(note) && !before.isEmpty() && !isCompany(before))
                return {note, withoutRelation(before)};
            if (isNote(note))
                s = before;
        }
    }
    s = withoutRelation(s);
    return {{}, s};
}

} // namespace transfer::smart
