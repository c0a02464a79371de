// `mekira --export` as a script runs it: no window and no display, the order book the
// window would open (mekira.db, the settings file's key, MEKIRA_DATABASE), one line of
// output and exit 0, or a Japanese message on standard error and exit 1.
#include "database/database.h"
#include "orders/clickpostexport.h"
#include "orders/orderimport.h"
#include "orders/orderstatemachine.h"
#include "orders/orderstore.h"
#include "platform/codepage.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kLongAddress = u"福岡県福岡市架空区見本町三丁目十二番地 サンプルビル十階 見本株式会社 物流センター 受付係"_s;

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run runMekira(const QString &folder, const QStringList &arguments, const QString &databaseVariable = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // No window system at all: a window would fail to start.
    env.insert(u"QT_QPA_PLATFORM"_s, u"no-such-platform"_s);
    env.remove(u"DISPLAY"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    if (databaseVariable.isEmpty())
        env.remove(u"MEKIRA_DATABASE"_s);
    else
        env.insert(u"MEKIRA_DATABASE"_s, databaseVariable);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(MEKIRA_BINARY), arguments);
    Run run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(5000);
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

} // namespace

class ExportCommandTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Three imported orders, one printed: the two others go into the Click Post file,
    // the long address carried over its lines, and importing the file adds nothing.
    void clickPost_data()
    {
        QTest::addColumn<QString>("bookName");   // where the book is, from the folder
        QTest::addColumn<QString>("iniKey");     // the settings file's "Database", if any
        QTest::addColumn<QString>("variable");   // MEKIRA_DATABASE, if any
        QTest::newRow("mekira.db in the folder") << u"mekira.db"_s << QString() << QString();
        QTest::newRow("settings file's key") << u"shop.db"_s << u"shop.db"_s << QString();
        QTest::newRow("MEKIRA_DATABASE over the key") << u"env.db"_s << u"shop.db"_s << u"env.db"_s;
    }
    void clickPost()
    {
        QFETCH(QString, bookName);
        QFETCH(QString, iniKey);
        QFETCH(QString, variable);
        QTemporaryDir dir;
        const QString orderFile = dir.filePath(u"orders.csv"_s);
        platform::writeCp932Lines(orderFile, {u"注文番号,郵便番号,おところ1,おところ2,おなまえ,でんわ,品名1,品名2,品名3"_s,
                                              u"K-101,812-0011,福岡県福岡市架空区見本1-2-3,,見本 一郎,092-000-0001,靴下,,"_s,
                                              u"K-102,812-0011,福岡県福岡市架空区見本4-5-6,,見本 二郎,092-000-0002,ハンカチ,,"_s,
                                              u"K-103,812-0011,\""_s + kLongAddress + u"\",,見本 三郎,092-000-0003,手袋,,"_s});
        if (!iniKey.isEmpty())
            platform::writeCp932Lines(dir.filePath(u"mekira_RErorezev.ini"_s),
                                      {u"[mekira_RErorezevPrn]"_s, u"Database="_s + iniKey});
        {
            database::Database book(database::DatabaseConfig::sqlite(dir.filePath(bookName)));
            book.call<void>([&](database::Connection &c) {
                QCOMPARE(orders::importFiles(c, {orderFile}).summary.added, 3);
                orders::applyTransition(c, {orders::store::orderIds(c, {}).first()}, orders::OrderAction::MarkPrinted);
            });
        }

        const Run run = runMekira(dir.path(), {u"--export"_s, u"clickpost"_s, u"cp.csv"_s}, variable);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(run.err, QString());
        QCOMPARE(run.out.count(u'\n'), 1);
        QVERIFY2(run.out.startsWith(u"2 件の注文をクリックポスト用に書き出しました"_s), qPrintable(run.out));

        QFile file(dir.filePath(u"cp.csv"_s));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.count("\r\n"), 3);
        QCOMPARE(bytes.count('\n'), 3);
        const orders::OrderFile read = orders::readOrderFile(file.fileName());
        QCOMPARE(read.encoding, orders::TextEncoding::Cp932);
        QCOMPARE(read.formatId, orders::store::kClickPostFormat);
        QCOMPARE(read.header.size(), 8);
        QCOMPARE(read.orders.size(), 2);
        const QStringList lines = platform::readCp932Lines(file.fileName());
        QVERIFY2(lines[1].contains(u"\"見本 二郎\",\"様\""_s), qPrintable(lines[1]));
        // The long address, carried over (not cut) on lines of 40 units at most.
        QStringList cells = lines[2].split(u"\",\""_s);
        QCOMPARE(cells.size(), 8);
        QString carried;
        for (int i = 3; i < 7; ++i) {
            QVERIFY2(orders::clickpost::units(cells[i]) <= 40, qPrintable(cells[i]));
            carried += cells[i];
        }
        QString expected = kLongAddress;
        expected.remove(u' ');
        carried.remove(u' ');
        QCOMPARE(carried, expected);
        QVERIFY(!cells[4].isEmpty());

        database::Database book(database::DatabaseConfig::sqlite(dir.filePath(bookName)));
        const orders::ImportReport again = book.call<orders::ImportReport>(
            [&](database::Connection &c) { return orders::importFiles(c, {file.fileName()}); });
        QCOMPARE(again.summary.added, 0);
        const QList<orders::Order> all = book.call<QList<orders::Order>>([](database::Connection &c) {
            return orders::store::ordersById(c, orders::store::orderIds(c, {}));
        });
        QCOMPARE(all.size(), 3);
        QCOMPARE(all[1].state, orders::OrderState::ClickPost);
        QCOMPARE(all[2].state, orders::OrderState::ClickPost);
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown kind") << QStringList{u"--export"_s, u"labels"_s, u"x.csv"_s} << u"「labels」はありません"_s;
        QTest::newRow("no file") << QStringList{u"--export"_s, u"shipments"_s} << u"ファイルを 1 つ指定"_s;
        QTest::newRow("bad date") << QStringList{u"--export"_s, u"amazon"_s, u"--from"_s, u"2026/02/30"_s, u"x.txt"_s}
                                  << u"日付「2026/02/30」が読めません"_s;
        QTest::newRow("dates for click post") << QStringList{u"--export"_s, u"clickpost"_s, u"--to"_s, u"2026/12/09"_s,
                                                             u"x.csv"_s}
                                              << u"--from と --to は"_s;
        QTest::newRow("unwritable file") << QStringList{u"--export"_s, u"shipments"_s, u"/proc/no/such/folder/x.csv"_s}
                                         << u"書き込めません"_s;
    }
    void refused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const Run run = runMekira(dir.path(), arguments);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QCOMPARE(run.err.count(u'\n'), 1);
    }

    void listedInHelp()
    {
        QTemporaryDir dir;
        const Run run = runMekira(dir.path(), {u"--help"_s});
        QCOMPARE(run.exitCode, 0);
        for (const QString &option : {u"--export <KIND>"_s, u"--from <DATE>"_s, u"--to <DATE>"_s, u"clickpost"_s,
                                      u"shipments"_s, u"amazon"_s})
            QVERIFY2(run.out.contains(option), qPrintable(option));
    }
};

QTEST_GUILESS_MAIN(ExportCommandTest)
#include "tst_exportcommand.moc"
