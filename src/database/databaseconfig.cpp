#include "database/databaseconfig.h"

#include "platform/error.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace database {

namespace {

bool isPostgresAddress(const QString &value)
{
    return value.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || value.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

DatabaseConfig parsePostgres(const QString &value)
{
    const QUrl url(value, QUrl::StrictMode);
    const QString dbName = url.path().mid(1);
    if (!url.isValid() || url.host().isEmpty() || dbName.isEmpty() || dbName.contains(u'/')) {
        // The value as written, without a password: an invalid address has no display form.
        QString shown = value;
        shown.replace(QRegularExpression(QStringLiteral("(://[^/@:]*):[^/@]*@")), QStringLiteral("\\1@"));
        throw platform::Error(QStringLiteral("データベースの指定が読めません: 「%1」\n"
                                             "「postgresql://ユーザー@ホスト:ポート/データベース」の形で書いてください。")
                                  .arg(shown));
    }
    DatabaseConfig config;
    config.engine = Engine::PostgreSQL;
    config.host = url.host();
    config.port = url.port(5432);
    config.user = url.userName();
    config.password = url.password();
    config.databaseName = dbName;
    QStringList options;
    for (const auto &[key, val] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
        options << key + u'=' + val;
    config.options = options.join(u';');
    return config;
}

} // namespace

DatabaseConfig DatabaseConfig::sqlite(const QString &path)
{
    DatabaseConfig config;
    config.sqlitePath = path;
    return config;
}

DatabaseConfig DatabaseConfig::fromValue(const QString &value, const QString &workingDirectory)
{
    const QString trimmed = value.trimmed();
    if (isPostgresAddress(trimmed))
        return parsePostgres(trimmed);
    const QDir dir(workingDirectory);
    return sqlite(dir.absoluteFilePath(trimmed.isEmpty() ? defaultFileName() : trimmed));
}

QString DatabaseConfig::displayName() const
{
    if (engine == Engine::SQLite)
        return QDir::toNativeSeparators(sqlitePath);
    return QStringLiteral("postgresql://%1%2:%3/%4")
        .arg(user.isEmpty() ? QString() : user + u'@', host)
        .arg(port)
        .arg(databaseName);
}

} // namespace database
