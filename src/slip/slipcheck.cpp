#include "slip/slipcheck.h"

#include "slip/sliplayout.h"

#include "platform/textnormalize.h"

#include <QRegularExpression>

namespace slip {

namespace {

int characterCount(const QString &text)
{
    return int(text.toUcs4().size());
}

// Japanese numbers have 10 digits (fixed lines) or 11 (mobile, IP, 0120 and the like),
// always with the leading 0.
bool isJapaneseTelephone(const QString &telephone)
{
    const std::optional<QString> digits = platform::groupedDigits(QString(telephone).remove(u'(').remove(u')')
                                                                      .remove(QChar(0xFF08)).remove(QChar(0xFF09)));
    return digits && digits->startsWith(u'0') && (digits->size() == 10 || digits->size() == 11);
}

bool isENotation(const QString &telephone)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*\\d+(\\.\\d+)?[eE]\\+?\\d+\\s*$"));
    return pattern.match(telephone).hasMatch();
}

} // namespace

QString slipFieldCaption(SlipField field)
{
    switch (field) {
    case SlipField::Date: return QStringLiteral("差出日");
    case SlipField::DeliveryMonth:
    case SlipField::DeliveryDay: return QStringLiteral("お届け希望日");
    case SlipField::TimeSlot: return QStringLiteral("時間帯の ○");
    case SlipField::Zip: return QStringLiteral("郵便番号");
    case SlipField::Add1: return QStringLiteral("おところ①");
    case SlipField::Add2: return QStringLiteral("おところ②");
    case SlipField::Goods1: return QStringLiteral("品名1");
    case SlipField::Goods2: return QStringLiteral("品名2");
    case SlipField::Goods3: return QStringLiteral("品名3");
    case SlipField::Customer: return QStringLiteral("おなまえ");
    case SlipField::Tel: return QStringLiteral("でんわ");
    case SlipField::SenderZip: return QStringLiteral("ご依頼主の郵便番号");
    case SlipField::SenderAdd1: return QStringLiteral("ご依頼主のおところ①");
    case SlipField::SenderAdd2: return QStringLiteral("ご依頼主のおところ②");
    case SlipField::Sender: return QStringLiteral("ご依頼主のおなまえ");
    case SlipField::SenderTel: return QStringLiteral("ご依頼主のでんわ");
    case SlipField::None: break;
    }
    return QString();
}

QList<SlipProblem> checkSlip(const SlipRecord &slip, const SlipCheckOptions &options)
{
    using Kind = SlipProblem::Kind;
    QList<SlipProblem> problems;
    QList<SlipField> overflowing;
    for (const FieldFit &fit : slipFits(slip, options.page)) {
        if (!fit.overflows || overflowing.contains(fit.field))
            continue;
        overflowing.append(fit.field);
        QString caption = slipFieldCaption(fit.field);
        if (fit.field == SlipField::Add2 && !slip.destination.address3.isEmpty())
            caption = QStringLiteral("おところ②・③");
        problems.append({Kind::Overflow, fit.field,
                         QStringLiteral("%1 が枠に入りません（%2 文字）").arg(caption).arg(characterCount(fit.text))});
    }

    const Party &to = slip.destination;
    if (to.name.trimmed().isEmpty())
        problems.append({Kind::NoName, SlipField::Customer, QStringLiteral("おなまえがありません")});
    if (to.address1.trimmed().isEmpty() && to.address2.trimmed().isEmpty() && to.address3.trimmed().isEmpty())
        problems.append({Kind::NoAddress, SlipField::Add1, QStringLiteral("おところがありません")});

    if (to.postalCode.trimmed().isEmpty()) {
        problems.append({Kind::PostalCode, SlipField::Zip, QStringLiteral("郵便番号がありません")});
    } else if (!isSevenDigitPostalCode(to.postalCode)) {
        problems.append({Kind::PostalCode, SlipField::Zip,
                         QStringLiteral("郵便番号「%1」が 7 桁の数字ではありません").arg(to.postalCode)});
    } else if (options.postalMatches && !to.address1.trimmed().isEmpty()
               && !options.postalMatches(to.postalCode, to.address1)) {
        problems.append({Kind::PostalMismatch, SlipField::Zip,
                         QStringLiteral("郵便番号 %1 と住所が合っていません").arg(to.postalCode)});
    }

    if (isENotation(to.telephone)) {
        problems.append({Kind::Telephone, SlipField::Tel,
                         QStringLiteral("でんわ「%1」は表計算ソフトで数値に変わっています").arg(to.telephone)});
    } else if (!to.telephone.trimmed().isEmpty() && !isJapaneseTelephone(to.telephone)) {
        problems.append({Kind::Telephone, SlipField::Tel,
                         QStringLiteral("でんわ「%1」は日本の電話番号の桁数ではありません").arg(to.telephone)});
    }

    // A code page that cannot hold a character writes "?" in its place; names and
    // addresses never hold one of their own.
    const std::pair<SlipField, QString> named[] = {
        {SlipField::Customer, to.name}, {SlipField::Add1, to.address1},
        {SlipField::Add2, secondAddressLine(to)},
    };
    for (const auto &[field, text] : named) {
        if (text.contains(u'?'))
            problems.append({Kind::LostCharacter, field,
                             QStringLiteral("%1に「?」があります（文字が失われています）").arg(slipFieldCaption(field))});
    }
    return problems;
}

QStringList problemTexts(const QList<SlipProblem> &problems)
{
    QStringList texts;
    for (const SlipProblem &problem : problems)
        texts.append(problem.text);
    return texts;
}

} // namespace slip
