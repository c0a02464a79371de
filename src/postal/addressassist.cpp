#include "postal/addressassist.h"

#include "postal/postalcode.h"

#include <QStringList>

namespace postal {

namespace {

constexpr int kMaxDescribed = 3;

Choice choiceFor(const PostalEntry &e)
{
    Choice c;
    c.code = formattedCode(e.code);
    c.address = e.address() + e.street;
    c.office = e.office;
    c.label = c.code + QStringLiteral("  ") + c.address
              + (c.office.isEmpty() ? QString() : QStringLiteral("  ") + c.office);
    return c;
}

QString describeOne(const PostalEntry &e)
{
    return e.address() + e.street + (e.office.isEmpty() ? QString() : u' ' + e.office);
}

} // namespace

QList<Choice> addressChoices(const PostalDirectory &directory, QStringView code)
{
    if (normalizedCode(code).isEmpty())
        return {};
    QList<Choice> out;
    for (const PostalEntry &e : directory.lookup(code)) {
        if (!e.isFallback())
            out.append(choiceFor(e));
    }
    return out;
}

QList<Choice> codeChoices(const PostalDirectory &directory, QStringView address)
{
    QList<Choice> out;
    for (const PostalEntry &e : directory.codesFor(address))
        out.append(choiceFor(e));
    return out;
}

QString describe(const QList<PostalEntry> &entries)
{
    QStringList parts;
    for (const PostalEntry &e : entries) {
        if (parts.size() == kMaxDescribed) {
            parts.last() += QStringLiteral(" ほか");
            break;
        }
        parts.append(describeOne(e));
    }
    return parts.join(u'、');
}

QString checkMessage(QStringView code, const CheckOutcome &outcome)
{
    const QString shown = formattedCode(code.trimmed());
    switch (outcome.result) {
    case CheckResult::Mismatch:
        return shown + QStringLiteral(" は ") + describe(outcome.entries) + QStringLiteral(" です");
    case CheckResult::UnknownCode:
        return shown + QStringLiteral(" は 郵便番号データにない番号です");
    case CheckResult::Consistent:
    case CheckResult::NotJudged:
        break;
    }
    return {};
}

} // namespace postal
