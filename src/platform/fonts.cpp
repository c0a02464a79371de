#include "fonts.h"

#include <QFont>
#include <QString>

namespace platform {

void installFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho"));
    QFont::insertSubstitution(QStringLiteral("Lucida Sans Unicode"), QStringLiteral("DejaVu Sans"));
}

} // namespace platform
