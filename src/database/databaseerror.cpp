#include "database/databaseerror.h"

#include <QSqlError>

namespace database {

DatabaseError::DatabaseError(Kind kind, QString message)
    : platform::Error(std::move(message)), m_kind(kind)
{
}

DatabaseError DatabaseError::fromSql(const QSqlError &error, const QString &what)
{
    const QString text = error.text();
    const QString code = error.nativeErrorCode();
    const auto has = [&](const char *needle) { return text.contains(QLatin1String(needle), Qt::CaseInsensitive); };
    const QString detail = QStringLiteral("\n(%1)").arg(text.trimmed());

    // SQLite result codes (primary code in the low byte) and PostgreSQL SQLSTATEs.
    const int sqliteCode = code.toInt() & 0xff;
    if (sqliteCode == 5 || sqliteCode == 6 || has("database is locked") || code == u"55P03")
        return {Kind::Locked, QStringLiteral("注文データベースはほかのプログラムが使用中です。しばらくしてからもう一度お試しください。") + detail};
    if (sqliteCode == 8 || has("readonly database") || has("read-only"))
        return {Kind::ReadOnly, QStringLiteral("注文データベースに書き込めません（読み取り専用）。") + detail};
    if (sqliteCode == 11 || sqliteCode == 26 || has("not a database") || has("malformed"))
        return {Kind::Damaged, QStringLiteral("注文データベースのファイルが壊れています。") + detail};
    if (sqliteCode == 19 || code.startsWith(u"23"))
        return {Kind::Conflict,
                what + (has("unique") || code == u"23505" ? QStringLiteral("：同じものがすでにあります。")
                                                          : QStringLiteral("：保存できない値があります。"))
                    + detail};
    if (code == u"57014")
        return {Kind::TimedOut, QStringLiteral("注文データベースが時間内に応答しませんでした。") + detail};
    // A lost server: libpq's own words, or the server's shutdown (57P01..57P03).
    if (error.type() == QSqlError::ConnectionError || code.startsWith(u"08") || code.startsWith(u"57P")
        || sqliteCode == 14 || has("server closed the connection") || has("no connection to the server"))
        return {Kind::Unavailable, QStringLiteral("注文データベースを開けません。") + detail};
    return {Kind::Other, what + QStringLiteral("：注文データベースのエラーです。") + detail};
}

} // namespace database
