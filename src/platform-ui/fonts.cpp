#include "platform-ui/fonts.h"

#include <QFont>
#include <QString>
#include <QStringList>

#include <fontconfig/fontconfig.h>

#include <system_error>

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

FontConfigPreload::FontConfigPreload()
{
    try {
        // FcInit is safe on any thread: a caller racing it gets the same configuration.
        m_thread = std::thread([] { FcInit(); });
    } catch (const std::system_error &) {
        // No thread to spare: Qt reads the configuration itself when first needed.
    }
}

FontConfigPreload::~FontConfigPreload()
{
    wait();
}

void FontConfigPreload::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace platform
