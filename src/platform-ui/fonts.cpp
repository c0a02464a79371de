#include "platform-ui/fonts.h"

#include <QFont>
#include <QString>
#include <QStringList>

namespace platform {

void installFontSubstitutions()
{
    const QString rareKanji = QStringLiteral("IPAmjMincho");
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"), QStringList{QStringLiteral("IPAPGothic"), rareKanji});
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐ明朝"), QStringList{QStringLiteral("IPAPMincho"), rareKanji});
    QFont::insertSubstitutions(QStringLiteral("Lucida Sans Unicode"), QStringList{QStringLiteral("DejaVu Sans"), rareKanji});
}

QString installedFamily(const QString &formFamily)
{
    const QStringList substitutes = QFont::substitutes(formFamily);
    return substitutes.isEmpty() ? formFamily : substitutes.constFirst();
}

} // namespace platform
