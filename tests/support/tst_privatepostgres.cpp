// The private PostgreSQL server itself: it starts as an unprivileged user, serves a
// database through Qt's driver, and keeps committed data across a stop and a kill.
#include "privatepostgres.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUrl>

using testsupport::PrivatePostgres;

class TestPrivatePostgres : public QObject
{
    Q_OBJECT

private:
    static QSqlDatabase connect(const PrivatePostgres &pg, const QString &name, const QString &database)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(QStringLiteral("127.0.0.1"));
        db.setPort(pg.port());
        db.setUserName(pg.user());
        db.setDatabaseName(database);
        db.setConnectOptions(QStringLiteral("connect_timeout=5"));
        return db;
    }

private Q_SLOTS:
    void keepsDataAcrossRestarts_data()
    {
        QTest::addColumn<bool>("crash");
        QTest::newRow("fast shutdown") << false;
        QTest::newRow("server killed") << true;
    }

    void keepsDataAcrossRestarts()
    {
        QFETCH(bool, crash);
        PrivatePostgres pg;
        MEKIRA_START_POSTGRES(pg);
        const QString url = pg.createDatabase(QStringLiteral("fixture"));
        QVERIFY2(!url.isEmpty(), qPrintable(pg.lastError()));
        QCOMPARE(QUrl(url).port(), pg.port());
        {
            QSqlDatabase db = connect(pg, QStringLiteral("first"), QStringLiteral("fixture"));
            QVERIFY2(db.open(), qPrintable(db.lastError().text()));
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral("CREATE TABLE t (v text)")));
            QVERIFY(query.exec(QStringLiteral("INSERT INTO t VALUES ('ゆうパック')")));
            QVERIFY(query.exec(QStringLiteral("SELECT current_user")));
            QVERIFY(query.next());
            QCOMPARE(query.value(0).toString(), pg.user());
        }
        QSqlDatabase::removeDatabase(QStringLiteral("first"));
        crash ? pg.kill() : pg.stop();
        QVERIFY(!pg.running());
        {
            QSqlDatabase db = connect(pg, QStringLiteral("refused"), QStringLiteral("fixture"));
            QVERIFY(!db.open());
        }
        QSqlDatabase::removeDatabase(QStringLiteral("refused"));
        QVERIFY2(pg.start(), qPrintable(pg.lastError()));
        {
            QSqlDatabase db = connect(pg, QStringLiteral("second"), QStringLiteral("fixture"));
            QVERIFY2(db.open(), qPrintable(db.lastError().text()));
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral("SELECT v FROM t")));
            QVERIFY(query.next());
            QCOMPARE(query.value(0).toString(), QStringLiteral("ゆうパック"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("second"));
    }
};

QTEST_GUILESS_MAIN(TestPrivatePostgres)
#include "tst_privatepostgres.moc"
