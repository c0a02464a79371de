#include "platform-ui/guard.h"
#include "platform-ui/messagebox.h"
#include "platform/error.h"
#include "platform-ui/sessionend.h"
#include "platform-ui/singleinstance.h"

#include <QSignalSpy>
#include <QTest>
#include <QUuid>

#include <csignal>

namespace {

class RecordedBoxes : public platform::MessageBoxes
{
public:
    bool question(const QString &) override { return true; }
    void notice(const QString &) override {}
    void error(const QString &text) override { errors.append(text); }
    QStringList errors;
};

} // namespace

class ProcessServicesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondStartHandsOverToTheFirst()
    {
        const QString name = u"mekira-test-"_qs + QUuid::createUuid().toString(QUuid::Id128);
        platform::SingleInstance first(name);
        QVERIFY(first.becomePrimary());
        QSignalSpy activations(&first, &platform::SingleInstance::activationRequested);

        platform::SingleInstance second(name);
        QVERIFY(!second.becomePrimary());
        QVERIFY(activations.wait(2000));
        QCOMPARE(activations.count(), 1);
    }

    void secondStartHandsOverItsFiles()
    {
        const QString name = u"mekira-test-"_qs + QUuid::createUuid().toString(QUuid::Id128);
        platform::SingleInstance first(name);
        QVERIFY(first.becomePrimary());
        QSignalSpy files(&first, &platform::SingleInstance::filesHandedOver);
        const QStringList paths{u"/tmp/注文 11月.csv"_qs, u"/tmp/orders.txt"_qs};
        QVERIFY(!platform::SingleInstance(name).becomePrimary(paths));
        QVERIFY(files.wait(2000));
        QCOMPARE(files.at(0).at(0).toStringList(), paths);
    }

    void nameLeftByACrashedRunIsTakenOver()
    {
        const QString name = u"mekira-test-"_qs + QUuid::createUuid().toString(QUuid::Id128);
        {
            platform::SingleInstance crashed(name);
            QVERIFY(crashed.becomePrimary());
        }
        platform::SingleInstance next(name);
        QVERIFY(next.becomePrimary());
    }

    void defaultNameSeparatesDisplays()
    {
        qputenv("WAYLAND_DISPLAY", "");
        qputenv("DISPLAY", ":1");
        const QString one = platform::SingleInstance::defaultName();
        qputenv("DISPLAY", ":2");
        QVERIFY(platform::SingleInstance::defaultName() != one);
    }

    void terminationSignalArrivesOnTheEventLoop_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
        QTest::newRow("SIGINT") << SIGINT;
    }
    void terminationSignalArrivesOnTheEventLoop()
    {
        QFETCH(int, signalNumber);
        platform::SessionEndWatcher watcher;
        QSignalSpy ending(&watcher, &platform::SessionEndWatcher::sessionEnding);
        ::raise(signalNumber);
        QVERIFY(ending.wait(2000));
    }

    void guardShowsTheFailureAndGoesOn()
    {
        RecordedBoxes boxes;
        platform::setMessageBoxes(&boxes);
        QVERIFY(!platform::guarded([] { throw platform::Error(u"書き込めません"_qs); }));
        QVERIFY(!platform::guarded([] { throw std::runtime_error("bad"); }));
        QVERIFY(platform::guarded([] {}));
        platform::setMessageBoxes(nullptr);
        QCOMPARE(boxes.errors, (QStringList{u"書き込めません."_qs, u"bad."_qs}));
    }
};

QTEST_GUILESS_MAIN(ProcessServicesTest)
#include "tst_singleinstance.moc"
