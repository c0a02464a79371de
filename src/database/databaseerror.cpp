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
    // The driver's own words are English and may quote the statement's values (names,
    // addresses): they go to the log, never into the message.
    qWarning("Order book: %s [%s]", qPrintable(text.simplified()), qPrintable(code));
    const QString action = what.isEmpty() ? QStringLiteral("注文データベースの読み書き") : what;

    // SQLite result codes (primary code in the low byte) and PostgreSQL SQLSTATEs.
    const int sqliteCode = code.toInt() & 0xff;
    if (sqliteCode == 5 || sqliteCode == 6 || has("database is locked") || code == u"55P03")
        return {Kind::Locked, QStringLiteral("注文データベースはほかのプログラムが使用中です。しばらくしてからもう一度お試しください。")};
    if (sqliteCode == 13 || code == u"53100" || has("disk is full") || has("database or disk is full"))
        return {Kind::DiskFull, QStringLiteral("ディスクがいっぱいで、注文データベースに書き込めません（%1）。"
                                               "不要なファイルを消して空きを作ってから、もう一度お試しください。")
                                    .arg(action)};
    if (sqliteCode == 8 || has("readonly database") || has("read-only"))
        return {Kind::ReadOnly, QStringLiteral("注文データベースのファイルか、それを置いたフォルダに書き込めません（読み取り専用）。"
                                               "ファイルとフォルダに書き込みの許可があるか確かめてください。")};
    if (sqliteCode == 11 || sqliteCode == 26 || has("not a database") || has("malformed"))
        return {Kind::Damaged, QStringLiteral("注文データベースのファイルが壊れています。"
                                              "ファイルはそのまま残してあります。バックアップから戻すか、"
                                              "ファイルの名前を変えてから起動すると、新しい注文データベースで始められます。")};
    if (sqliteCode == 19 || code.startsWith(u"23"))
        return {Kind::Conflict,
                action + (has("unique") || code == u"23505" ? QStringLiteral("：同じものがすでにあります。")
                                                            : QStringLiteral("：保存できない値があります。"))
                    + QStringLiteral("何も変えていません。")};
    if (code == u"57014")
        return {Kind::TimedOut, QStringLiteral("注文データベースが時間内に応答しませんでした（%1）。"
                                               "何も変えていません。しばらくしてからもう一度お試しください。")
                                    .arg(action)};
    // A lost server: libpq's own words, or the server's shutdown (57P01..57P03).
    if (error.type() == QSqlError::ConnectionError || code.startsWith(u"08") || code.startsWith(u"57P")
        || sqliteCode == 14 || has("server closed the connection") || has("no connection to the server"))
        return {Kind::Unavailable, QStringLiteral("注文データベースにつながりません（%1）。"
                                                  "サーバーとネットワークを確かめて、もう一度お試しください。"
                                                  "F11 での印刷はそのまま使えます。")
                                       .arg(action)};
    return {Kind::Other, QStringLiteral("%1の途中で注文データベースが失敗しました（コード %2）。何も変えていません。"
                                        "もう一度お試しください。続くときは、プログラムを起動し直してください。")
                             .arg(action, code.isEmpty() ? QStringLiteral("なし") : code)};
}

} // namespace database
