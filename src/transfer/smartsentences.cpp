#include "transfer/smartsentences.h"

#include "transfer/smarttext.h"

#include <algorithm>
#include <array>

namespace transfer::smart {

QList<QStringView> clauses(QStringView line)
{
    QList<QStringView> out;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i < line.size() && !QStringView(u"。！？!?").contains(line.at(i)))
            continue;
        const QStringView clause = trimmed(line.sliced(start, i - start));
        if (!clause.isEmpty())
            out.append(clause);
        start = i + 1;
    }
    return out;
}

QStringView withoutPoliteTail(QStringView value)
{
    // Endings that never occur inside an address or a name.
    static constexpr std::array<std::u16string_view, 17> kTails = {
        u"までお", u"まで", u"でお願", u"でおねが", u"でよろし", u"にお願", u"へお願", u"になりま",
        u"になると", u"です", u"でした", u"に送", u"へ送", u"宛て", u"宛", u"あてに", u"あてで"};
    qsizetype cut = value.size();
    for (std::u16string_view tail : kTails) {
        const qsizetype at = value.indexOf(QStringView(tail.data(), qsizetype(tail.size())));
        if (at > 0 && at < cut)
            cut = at;
    }
    return trimmedPiece(value.first(cut));
}

QStringView withoutRelation(QStringView name)
{
    for (QStringView relation : {u"祖母", u"祖父", u"義母", u"義父", u"叔母", u"伯母", u"叔父", u"伯父", u"息子",
                                 u"主人", u"家内", u"両親", u"実家", u"友人", u"友達", u"知人", u"母", u"父",
                                 u"姉", u"兄", u"妹", u"弟", u"娘", u"妻", u"夫", u"孫"}) {
        if (name.startsWith(relation) && name.sliced(relation.size()).startsWith(u'の')) {
            const QStringView rest = trimmed(name.sliced(relation.size() + 1));
            if (!rest.isEmpty())
                return rest;
        }
    }
    return name;
}

bool announcesChange(QStringView line)
{
    // Every word below holds one of these: most lines are passed at one look.
    const bool hint = std::any_of(line.begin(), line.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return u == u'変' || u == u'新' || u == u'引' || u == u'転';
    });
    if (!hint)
        return false;
    const bool change = containsAny(line, {u"変更して", u"変更を", u"変更お願", u"変更願", u"変更します",
                                           u"変更になりま", u"変更後", u"に変更", u"へ変更", u"新住所",
                                           u"新しいお届け先", u"新しい住所", u"新しい送り先", u"新しい配送先",
                                           u"引っ越し", u"引越し", u"転居"});
    const bool destination = containsAny(line, {u"届け先", u"届先", u"配送先", u"送り先", u"送付先", u"発送先",
                                                u"住所", u"宛先"});
    // A shop's notice tells how changes are made; it changes nothing.
    const bool notice = containsAny(line, {u"できません", u"場合は", u"際は", u"際には", u"ご希望の", u"承れ",
                                           u"受け付け", u"受付", u"マイページ", u"ご連絡ください", u"方は", u"方へ",
                                           u"お問い合わせ"});
    return change && destination && !notice;
}

} // namespace transfer::smart
