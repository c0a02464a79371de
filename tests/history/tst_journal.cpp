// The journal of slips sent but not yet recorded, and the recorder that keeps it: one
// journal per running program, damaged journals kept under names of their own, jobs
// recorded once even when two connections record the same job at the same moment.

#include "historytestbook.h"

#include "history/historyrecorder.h"
#include "history/historystore.h"
#include "history/unrecordedjournal.h"

#include <QFile>
#include <QFuture>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

history::SentJob sampleJob(const QString &id, int slips, qint64 orderId = 0)
{
    history::SentJob job{id, {}, QDateTime::currentDateTime(), u"梱包台1"_s};
    for (int i = 0; i < slips; ++i) {
        history::PrintedSlip slip;
        slip.slip.destination.name = u"お客 %1-%2"_s.arg(id).arg(i);
        slip.printer = u"Slip"_s;
        if (orderId)
            slip.orderId = orderId + i;
        job.slips << slip;
    }
    return job;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QStringList ids(const QList<history::SentJob> &jobs)
{
    QStringList result;
    for (const history::SentJob &job : jobs)
        result << job.id;
    return result;
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_count = 0;

    QString freshPath() { return m_dir.filePath(u"j%1/mekira-unrecorded.json"_s.arg(++m_count)); }

private Q_SLOTS:
    // Jobs appended and ended are read back as the jobs still waiting; the file is the
    // owner's only.
    void appendedJobsReadBack_data()
    {
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QStringList>("done");
        QTest::addColumn<QStringList>("waiting");
        QTest::newRow("none done") << QStringList{u"a"_s, u"b"_s} << QStringList{} << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("first done") << QStringList{u"a"_s, u"b"_s, u"c"_s} << QStringList{u"a"_s}
                                    << QStringList{u"b"_s, u"c"_s};
        QTest::newRow("all done") << QStringList{u"a"_s} << QStringList{u"a"_s} << QStringList{};
        QTest::newRow("a done never written") << QStringList{u"a"_s} << QStringList{u"x"_s} << QStringList{u"a"_s};
    }
    void appendedJobsReadBack()
    {
        QFETCH(QStringList, written);
        QFETCH(QStringList, done);
        QFETCH(QStringList, waiting);
        const QString path = freshPath();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        const history::UnrecordedJournal journal(path);
        for (const QString &id : written)
            QVERIFY(journal.append(sampleJob(id, 2)));
        for (const QString &id : done)
            QVERIFY(journal.appendDone(id));
        QString aside;
        const QList<history::SentJob> jobs = journal.load(&aside);
        QCOMPARE(ids(jobs), waiting);
        QVERIFY(aside.isEmpty());
        for (const history::SentJob &job : jobs)
            QCOMPARE(job.slips.size(), 2);
        QCOMPARE(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
                 QFile::Permissions());
    }

    // Two damaged journals in turn: each is kept under a name of its own, with its bytes;
    // the jobs that could be read stay in the journal.
    void damagedJournalsAreEachKept()
    {
        const QString path = freshPath();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        const history::UnrecordedJournal journal(path);
        const QByteArray first = "{\"format\": 2, \"jobs\": [";
        writeFile(path, first);
        QString aside1;
        QVERIFY(journal.load(&aside1).isEmpty());
        QVERIFY(!aside1.isEmpty());
        QVERIFY(!journal.exists());

        QVERIFY(journal.append(sampleJob(u"kept"_s, 1)));
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("{\"job\": \"torn\", \"slips\": [\n");
        file.close();
        QVERIFY(journal.append(sampleJob(u"after"_s, 1)));
        const QByteArray second = contents(path);
        QString aside2;
        QCOMPARE(ids(journal.load(&aside2)), (QStringList{u"kept"_s, u"after"_s}));
        QVERIFY(!aside2.isEmpty());
        QVERIFY(aside2 != aside1);
        QCOMPARE(contents(aside1), first);
        QCOMPARE(contents(aside2), second);
        // What could be read is in the journal again, and reads whole now.
        QString aside3;
        QCOMPARE(ids(journal.load(&aside3)), (QStringList{u"kept"_s, u"after"_s}));
        QVERIFY(aside3.isEmpty());
    }

    // A second program in the same folder writes a journal of its own; a journal left by
    // a program that ended is taken over and its jobs recorded by the next recorder.
    void eachProgramItsOwnJournal()
    {
        const QString path = freshPath();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        database::Database book(database::DatabaseConfig::sqlite(m_dir.filePath(u"own%1.db"_s.arg(m_count))));
        const QList<qint64> orders = historytest::addOrders(book, 2);
        const history::UnrecordedJournal journal(path);
        history::HistoryRecorder first(book, journal);
        QString secondPath;
        {
            history::HistoryRecorder second(book, journal);
            secondPath = second.journalPath();
            QVERIFY(secondPath != first.journalPath());
            QTRY_VERIFY(second.isRecovered());
            // Killed right after writing ahead: the job may have gone to the printer.
            second.jobWritten(sampleJob(u"x"_s, 2, orders.first()).slips);
        }
        QCOMPARE(history::UnrecordedJournal(secondPath).load().size(), 1);
        history::HistoryRecorder third(book, journal);
        QCOMPARE(third.journalPath(), secondPath);
        QSignalSpy recorded(&third, &history::HistoryRecorder::recorded);
        QTRY_COMPARE_WITH_TIMEOUT(recorded.size(), 1, 10000);
        QCOMPARE(historytest::scalar(book, u"SELECT COUNT(*) FROM history"_s), 2);
        QCOMPARE(historytest::scalar(book, u"SELECT COUNT(*) FROM orders WHERE state = 1"_s), 2);
        QVERIFY(!QFile::exists(secondPath));
    }

    // Two connections record one job at the same moment (a journal read back while the
    // first write still runs): it is recorded once.
    void concurrentRecordingOfOneJob_data() { HISTORY_ENGINE_ROWS(); }
    void concurrentRecordingOfOneJob()
    {
        QFETCH(QString, engine);
        HISTORY_REQUIRE_ENGINE(engine);
        const database::DatabaseConfig config = historytest::configFor(engine, m_dir, u"same%1"_s.arg(++m_count));
        database::Database a(config);
        database::Database b(config);
        const QList<qint64> orders = historytest::addOrders(a, 200);
        const history::SentJob job = sampleJob(u"one-job"_s, 200, orders.first());
        const auto record = [job](database::Connection &c) {
            return history::HistoryStore::recordJob(c, job.slips, job.sentAt, job.station, job.id);
        };
        QFuture<bool> first = a.run<bool>(record);
        QFuture<bool> second = b.run<bool>(record);
        first.waitForFinished();
        second.waitForFinished();
        QCOMPARE(int(first.result()) + int(second.result()), 1);
        QCOMPARE(historytest::scalar(a, u"SELECT COUNT(*) FROM history"_s), 200);
        QCOMPARE(historytest::scalar(a, u"SELECT COUNT(*) FROM recorded_jobs"_s), 1);
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
