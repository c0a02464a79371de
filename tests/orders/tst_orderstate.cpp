// The order state machine on SQLite and on the private PostgreSQL server: every action
// from every state, by the station that holds the order and by another one, changes
// what it should and nothing else, leaves the columns of the state reached and
// announces what changed; a print job's claim is its own; a second station hears
// 「保留にする」, 「未印刷に戻す」 and imports at once.
#include "../history/historytestbook.h"

#include "orders/orderstatemachine.h"
#include "orders/orderstore.h"
#include "orders/stations.h"

#include <QSignalSpy>
#include <QSqlDriver>
#include <QTimeZone>

#include <algorithm>

using namespace Qt::StringLiterals;
#include <map>
#include <optional>

using orders::Order;
using orders::OrderAction;
using orders::OrderState;

namespace {

const QString kHere = QStringLiteral("station-A");
const QString kThere = QStringLiteral("station-B");
const QString kHereToken = QStringLiteral("job-of-A");
const QString kThereToken = QStringLiteral("job-of-B");
const QDateTime kBefore(QDate(2026, 12, 1), QTime(9, 0), QTimeZone::utc());
const QDateTime kNow(QDate(2026, 12, 2), QTime(10, 30), QTimeZone::utc());
const QString kNull = QStringLiteral("NULL");

// Whose the order is, seen from the acting station: its own claim (or print), or
// another station's.
enum class Holder { Same, Other };

// state, claim_token, claimed_at, printed_station, printed_at, printed_printer
QStringList storedColumns(database::Database &db, qint64 id)
{
    return db.call<QStringList>([id](database::Connection &c) {
        QSqlQuery q = c.exec(QStringLiteral("SELECT state, claim_token, claimed_at, printed_station, printed_at,"
                                            " printed_printer FROM orders WHERE id = ?"),
                             {id});
        QStringList columns;
        if (q.next()) {
            for (int i = 0; i < 6; ++i)
                columns << (q.value(i).isNull() ? kNull : q.value(i).toString());
        }
        return columns;
    });
}

// An order in `state`, held (claimed or printed) by `holder`'s station, written as a
// station would have left it and without announcing anything.
qint64 orderIn(database::Database &db, OrderState state, Holder holder, const QString &format)
{
    const qint64 id = historytest::addOrders(db, 1, format).value(0);
    const QString station = holder == Holder::Same ? kHere : kThere;
    const QString token = holder == Holder::Same ? kHereToken : kThereToken;
    db.call<void>([&](database::Connection &c) {
        switch (state) {
        case OrderState::Printing:
            c.exec(QStringLiteral("UPDATE orders SET state = 3, claim_token = ?, claimed_at = ?, printed_station = ?"
                                  " WHERE id = ?"),
                   {token, kBefore.toMSecsSinceEpoch(), station, id});
            break;
        case OrderState::Printed:
            c.exec(QStringLiteral("UPDATE orders SET state = 1, printed_at = ?, printed_printer = 'Printer old',"
                                  " printed_station = ? WHERE id = ?"),
                   {kBefore.toMSecsSinceEpoch(), station, id});
            break;
        case OrderState::SetAside:
            c.exec(QStringLiteral("UPDATE orders SET state = 2 WHERE id = ?"), {id});
            break;
        case OrderState::ClickPost:
            c.exec(QStringLiteral("UPDATE orders SET state = 4 WHERE id = ?"), {id});
            break;
        case OrderState::New:
            break;
        }
    });
    return id;
}

// A session of its own on the shared book that listens on the stations' channel. It
// tells the announcements made before a marker it sends from those after: PostgreSQL
// delivers notifications in the order their transactions committed.
class Announcements
{
public:
    explicit Announcements(const database::DatabaseConfig &config)
        : m_connection(config, QStringLiteral("announcements"))
    {
        QSqlDriver *driver = m_connection.database().driver();
        m_listening = driver->subscribeToNotification(database::Database::changeChannel());
        QObject::connect(driver, &QSqlDriver::notification, &m_context,
                         [this](const QString &, QSqlDriver::NotificationSource, const QVariant &payload) {
                             m_payloads << payload.toString();
                         });
    }

    bool isListening() const { return m_listening; }

    // The announcements that arrived since the last call; -1 when the marker never came.
    int sinceLast()
    {
        const QString marker = QStringLiteral("marker %1").arg(++m_markers);
        m_connection.exec(QStringLiteral("SELECT pg_notify(?, ?)"), {database::Database::changeChannel(), marker});
        if (!QTest::qWaitFor([&] { return m_payloads.contains(marker); }, 5000))
            return -1;
        const int count = int(m_payloads.indexOf(marker));
        m_payloads.clear();
        return count;
    }

private:
    database::Connection m_connection;
    QObject m_context;
    QStringList m_payloads;
    int m_markers = 0;
    bool m_listening = false;
};

} // namespace

Q_DECLARE_METATYPE(orders::OrderState)
Q_DECLARE_METATYPE(orders::OrderAction)
Q_DECLARE_METATYPE(Holder)
Q_DECLARE_METATYPE(std::optional<orders::OrderState>)

class OrderStateTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_databases = 0;
    // One book per engine for the rows of the transition table.
    std::map<QString, std::unique_ptr<database::Database>> m_tableBooks;
    std::unique_ptr<Announcements> m_announcements;

    database::DatabaseConfig freshConfig(const QString &engine)
    {
        return historytest::configFor(engine, m_dir, QStringLiteral("orderstate%1").arg(++m_databases));
    }

    database::Database &tableBook(const QString &engine)
    {
        std::unique_ptr<database::Database> &book = m_tableBooks[engine];
        if (!book) {
            const database::DatabaseConfig config = freshConfig(engine);
            book = std::make_unique<database::Database>(config);
            historytest::scalar(*book, QStringLiteral("SELECT 1")); // the schema, before the listener
            if (engine == QLatin1String("postgresql"))
                m_announcements = std::make_unique<Announcements>(config);
        }
        return *book;
    }

private Q_SLOTS:
    void cleanupTestCase()
    {
        m_announcements.reset();
        m_tableBooks.clear();
    }

    void transitions_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<OrderState>("from");
        QTest::addColumn<OrderAction>("action");
        QTest::addColumn<Holder>("holder");
        QTest::addColumn<std::optional<OrderState>>("to");  // empty: the order stays as it is

        using S = OrderState;
        using A = OrderAction;
        struct Row
        {
            S from;
            A action;
            std::optional<S> sameStation, otherStation;
        };
        const Row table[] = {
            {S::New, A::Claim, S::Printing, S::Printing},
            {S::New, A::MarkPrinted, S::Printed, S::Printed},
            {S::New, A::Release, {}, {}},
            {S::New, A::SetAside, S::SetAside, S::SetAside},
            {S::New, A::BackToNew, {}, {}},
            {S::Printing, A::Claim, {}, {}},
            {S::Printing, A::MarkPrinted, S::Printed, S::Printed},
            {S::Printing, A::Release, S::New, {}},
            {S::Printing, A::SetAside, {}, {}},
            {S::Printing, A::BackToNew, S::New, S::New},
            {S::Printed, A::Claim, {}, {}},
            {S::Printed, A::MarkPrinted, {}, {}},
            {S::Printed, A::Release, {}, {}},
            {S::Printed, A::SetAside, {}, {}},
            {S::Printed, A::BackToNew, S::New, S::New},
            {S::SetAside, A::Claim, {}, {}},
            {S::SetAside, A::MarkPrinted, S::Printed, S::Printed},
            {S::SetAside, A::Release, {}, {}},
            {S::SetAside, A::SetAside, {}, {}},
            {S::SetAside, A::BackToNew, S::New, S::New},
            // Click Post: only an unprinted order goes, and only 「未印刷に戻す」 brings it back.
            {S::New, A::ToClickPost, S::ClickPost, S::ClickPost},
            {S::Printing, A::ToClickPost, {}, {}},
            {S::Printed, A::ToClickPost, {}, {}},
            {S::SetAside, A::ToClickPost, {}, {}},
            {S::ClickPost, A::Claim, {}, {}},
            {S::ClickPost, A::MarkPrinted, {}, {}},
            {S::ClickPost, A::Release, {}, {}},
            {S::ClickPost, A::SetAside, {}, {}},
            {S::ClickPost, A::BackToNew, S::New, S::New},
            {S::ClickPost, A::ToClickPost, {}, {}},
        };
        const char *const states[] = {"new", "printed", "set aside", "printing", "click post"};
        const char *const actions[] = {"claim", "mark printed", "release", "set aside", "back to new", "to click post"};
        for (const char *engine : {"sqlite", "postgresql"}) {
            for (const Row &row : table) {
                for (const Holder holder : {Holder::Same, Holder::Other}) {
                    QTest::addRow("%s: %s, %s, %s station", engine, states[int(row.from)], actions[int(row.action)],
                                  holder == Holder::Same ? "same" : "other")
                        << QString::fromLatin1(engine) << row.from << row.action << holder
                        << (holder == Holder::Same ? row.sameStation : row.otherStation);
                }
            }
        }
    }

    void transitions()
    {
        QFETCH(QString, engine);
        QFETCH(OrderState, from);
        QFETCH(OrderAction, action);
        QFETCH(Holder, holder);
        QFETCH(std::optional<OrderState>, to);
        HISTORY_REQUIRE_ENGINE(engine);
        database::Database &db = tableBook(engine);
        const qint64 id = orderIn(db, from, holder, QStringLiteral("row%1").arg(QTest::currentDataTag()));
        const QStringList before = storedColumns(db, id);
        // The other stations hear of every change, and of nothing else. An SQLite book
        // has one station and nobody to tell.
        Announcements *const heard = engine == QLatin1String("postgresql") ? m_announcements.get() : nullptr;
        if (heard) {
            QVERIFY(heard->isListening());
            QCOMPARE(heard->sinceLast(), 0);
        }

        const QList<qint64> changed = db.call<QList<qint64>>([&](database::Connection &c) {
            return orders::applyTransition(c, {id}, action,
                                           {kHere, kHereToken, kNow, QStringLiteral("Printer new")});
        });

        QCOMPARE(changed, to ? QList<qint64>{id} : QList<qint64>{});
        QCOMPARE(orders::isAllowed(from, action, holder == Holder::Same), to.has_value());
        // A state keeps only its own columns: nothing of an earlier claim or print stays.
        const QString now = QString::number(kNow.toMSecsSinceEpoch());
        QStringList expected = before;
        if (to == OrderState::Printing)
            expected = {QStringLiteral("3"), kHereToken, now, kHere, kNull, kNull};
        else if (to == OrderState::Printed)
            expected = {QStringLiteral("1"), kNull, kNull, kHere, now, QStringLiteral("Printer new")};
        else if (to)
            expected = {QString::number(int(*to)), kNull, kNull, kNull, kNull, kNull};
        QCOMPARE(storedColumns(db, id), expected);
        if (heard)
            QCOMPARE(heard->sinceLast(), to ? 1 : 0);
    }

    // A print job claims the new orders of its selection and hands them back in the
    // selection's order; what it claimed no other job claims or gives back, and the
    // job gives back the pages it did not send.
    void aJobsClaimIsItsOwn_data() { HISTORY_ENGINE_ROWS(); }
    void aJobsClaimIsItsOwn()
    {
        QFETCH(QString, engine);
        HISTORY_REQUIRE_ENGINE(engine);
        database::Database db(freshConfig(engine));
        const QList<qint64> ids = historytest::addOrders(db, 10);
        QList<qint64> selection = ids;
        std::reverse(selection.begin(), selection.end());
        db.call<void>([&](database::Connection &c) {
            orders::applyTransition(c, {ids[4]}, OrderAction::SetAside);
        });
        const auto act = [&](OrderAction action, const QList<qint64> &on, const QString &station,
                             const QString &token) {
            return db.call<QList<qint64>>([&](database::Connection &c) {
                return orders::applyTransition(c, on, action, orders::TransitionContext::job(token, station));
            });
        };
        QList<qint64> claimable = selection;
        claimable.removeOne(ids[4]);
        QCOMPARE(act(OrderAction::Claim, selection, kHere, kHereToken), claimable);
        QVERIFY(act(OrderAction::Claim, ids, kThere, kThereToken).isEmpty());
        QVERIFY(act(OrderAction::Release, ids, kThere, kThereToken).isEmpty());
        // Three pages of seven were sent: the job gives the other four back.
        const QList<qint64> notSent = claimable.mid(3);
        QCOMPARE(act(OrderAction::Release, notSent, kHere, kHereToken), notSent);
        QCOMPARE(historytest::scalar(db, "SELECT COUNT(*) FROM orders WHERE state = 3"), 3);
        QCOMPARE(historytest::scalar(db, "SELECT COUNT(*) FROM orders WHERE state = 0"), 6);
        QCOMPARE(historytest::scalar(db, "SELECT COUNT(*) FROM orders WHERE claim_token IS NOT NULL"), 3);
        QCOMPARE(historytest::scalar(db, "SELECT COUNT(*) FROM orders WHERE state = 0 AND printed_station IS NULL"), 6);
    }

    // Selecting every order of a big list acts on all of them, over several statements.
    void largeSelection_data() { HISTORY_ENGINE_ROWS(); }
    void largeSelection()
    {
        QFETCH(QString, engine);
        HISTORY_REQUIRE_ENGINE(engine);
        database::Database db(freshConfig(engine));
        QList<qint64> ids = historytest::addOrders(db, 1203);
        std::reverse(ids.begin(), ids.end());
        const QList<qint64> changed = db.call<QList<qint64>>([&](database::Connection &c) {
            return orders::applyTransition(c, ids, OrderAction::SetAside);
        });
        QCOMPARE(changed, ids);
        QCOMPARE(historytest::scalar(db, "SELECT COUNT(*) FROM orders WHERE state = 2"), 1203);
    }

    // Two stations on one PostgreSQL book: what one does, the other's list shows at once.
    void otherStationSeesTheChange_data()
    {
        QTest::addColumn<int>("from");  // -1: no order yet, the station imports one
        QTest::addColumn<int>("action");
        QTest::addColumn<OrderState>("seen");
        QTest::newRow("保留にする") << int(OrderState::New) << int(OrderAction::SetAside) << OrderState::SetAside;
        QTest::newRow("未印刷に戻す, set aside")
            << int(OrderState::SetAside) << int(OrderAction::BackToNew) << OrderState::New;
        QTest::newRow("未印刷に戻す, a claim left behind")
            << int(OrderState::Printing) << int(OrderAction::BackToNew) << OrderState::New;
        QTest::newRow("import") << -1 << -1 << OrderState::New;
    }
    void otherStationSeesTheChange()
    {
        QFETCH(int, from);
        QFETCH(int, action);
        QFETCH(OrderState, seen);
        MEKIRA_START_POSTGRES(historytest::sharedPostgres());
        const database::DatabaseConfig config = freshConfig(QStringLiteral("postgresql"));
        database::Database acting(config);
        database::Database watching(config);
        qint64 id = from < 0 ? 0 : orderIn(acting, OrderState(from), Holder::Other, QStringLiteral("base"));
        historytest::scalar(watching, QStringLiteral("SELECT 1")); // its connection listens from now on
        QSignalSpy changed(&watching, &database::Database::changed);

        if (from < 0) {
            orders::Order imported;
            imported.sourceFormat = QStringLiteral("base");
            imported.orderKey = imported.orderNumber = QStringLiteral("W-1");
            imported.custo1 = QStringLiteral("見本 花子");
            QCOMPARE(acting.call<int>([&](database::Connection &c) {
                return orders::store::addOrders(c, {imported}).added;
            }), 1);
        } else {
            QCOMPARE(acting.call<QList<qint64>>([&](database::Connection &c) {
                return orders::applyTransition(c, {id}, OrderAction(action));
            }), QList<qint64>{id});
        }

        QVERIFY(changed.wait(2000));
        orders::OrderQuery query;
        query.state = seen;
        const QList<orders::Order> shown = watching.call<QList<orders::Order>>([&](database::Connection &c) {
            return orders::store::ordersById(c, orders::store::orderIds(c, query));
        });
        QCOMPARE(shown.size(), 1);
        if (id)
            QCOMPARE(shown.first().id, id);
        QVERIFY(shown.first().printedStation.isEmpty());
        QCOMPARE(historytest::scalar(watching, "SELECT COUNT(*) FROM orders WHERE claim_token IS NOT NULL"), 0);
    }

    // 「未印刷に戻す」 on another station's claim: a claim younger than the age limit is
    // freed only with the person's word that no slip came out; the claiming station's
    // job then finds its claim gone, and a slip it did send still marks the order printed.
    void claimFreedByAnotherStation_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<int>("ageMinutes");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<bool>("freed");
        for (const char *engine : {"sqlite", "postgresql"}) {
            QTest::addRow("%s: 2 minutes, asked only", engine) << QString::fromLatin1(engine) << 2 << false << false;
            QTest::addRow("%s: 2 minutes, confirmed", engine) << QString::fromLatin1(engine) << 2 << true << true;
            QTest::addRow("%s: 15 minutes, asked only", engine) << QString::fromLatin1(engine) << 15 << false << true;
        }
    }
    void claimFreedByAnotherStation()
    {
        QFETCH(QString, engine);
        QFETCH(int, ageMinutes);
        QFETCH(bool, confirmed);
        QFETCH(bool, freed);
        HISTORY_REQUIRE_ENGINE(engine);
        database::Database db(freshConfig(engine));
        const QList<qint64> ids = historytest::addOrders(db, 3);
        const QDateTime claimedAt = QDateTime::currentDateTimeUtc().addSecs(-60 * ageMinutes);
        db.call<QList<qint64>>([&](database::Connection &c) {
            return orders::applyTransition(c, ids, OrderAction::Claim, {kThere, kThereToken, claimedAt, {}});
        });
        const QList<Order> claimed = db.call<QList<Order>>([&](database::Connection &c) {
            return orders::store::ordersById(c, ids);
        });
        const orders::ClaimReview review = orders::reviewClaims(claimed, QDateTime::currentDateTimeUtc());
        QCOMPARE(review.claimed, 3);
        QVERIFY(review.question.contains(QStringLiteral("station-B・%1 分前 から 3 件").arg(ageMinutes)));
        QCOMPARE(review.young, ageMinutes < 10 ? 3 : 0);
        QCOMPARE(review.youngQuestion.isEmpty(), ageMinutes >= 10);

        orders::TransitionContext context;
        context.station = kHere;
        context.noSlipCameOut = confirmed;
        const QList<qint64> changed = db.call<QList<qint64>>([&](database::Connection &c) {
            return orders::applyTransition(c, ids, OrderAction::BackToNew, context);
        });
        QCOMPARE(changed, freed ? ids : QList<qint64>{});
        // The claiming station's job ends: it gives back what it did not send (nothing
        // of a freed claim is its own any more) and its one sent slip is printed.
        db.call<void>([&](database::Connection &c) {
            orders::applyTransition(c, ids.mid(1), OrderAction::Release, orders::TransitionContext::job(kThereToken, kThere));
            orders::applyTransition(c, {ids[0]}, OrderAction::MarkPrinted,
                                    orders::TransitionContext::printed(kThere, QDateTime::currentDateTimeUtc(), {}));
        });
        QCOMPARE(historytest::scalar(db, "SELECT COUNT(*) FROM orders WHERE state = 1"), 1);
        QCOMPARE(historytest::scalar(db, "SELECT COUNT(*) FROM orders WHERE state = 0"), 2);
    }

    // A selection larger than the values one statement may bind (SQLite: 32,766) is
    // claimed and read back whole, in chunks.
    void selectionBeyondTheBoundValues()
    {
        database::Database db(freshConfig(QStringLiteral("sqlite")));
        const QList<qint64> ids = historytest::addOrders(db, 40000);
        const QList<Order> read = db.call<QList<Order>>([&](database::Connection &c) {
            const QList<qint64> claimed = orders::applyTransition(c, ids, OrderAction::Claim,
                                                                  orders::TransitionContext::job(kHereToken, kHere));
            return orders::store::ordersById(c, claimed);
        });
        QCOMPARE(read.size(), ids.size());
        QCOMPARE(read.last().id, ids.last());
        QCOMPARE(read.last().state, OrderState::Printing);
    }

    // A station is shown by its host name unless another station known shares it.
    void stationLabels_data()
    {
        QTest::addColumn<QString>("station");
        QTest::addColumn<QStringList>("known");
        QTest::addColumn<QString>("shown");
        QTest::newRow("unique host") << u"debian#1a2b3c4d"_s << QStringList{u"pc2#99999999"_s} << u"debian"_s;
        QTest::newRow("shared host") << u"debian#1a2b3c4d"_s << QStringList{u"debian#99999999"_s}
                                     << u"debian#1a2b3c4d"_s;
        QTest::newRow("earlier version's name") << u"debian"_s << QStringList{} << u"debian"_s;
        QTest::newRow("this station") << database::Connection::stationName() << QStringList{} << u"この台"_s;
    }
    void stationLabels()
    {
        QFETCH(QString, station);
        QFETCH(QStringList, known);
        QFETCH(QString, shown);
        QSet<QString> stations(known.cbegin(), known.cend());
        stations.insert(station);
        QCOMPARE(orders::stationLabel(station, stations), shown);
    }

    // Claims this station left behind at an earlier run are found; younger ones (a run
    // going on now) and other stations' are not.
    void leftClaimsOfThisStation_data() { HISTORY_ENGINE_ROWS(); }
    void leftClaimsOfThisStation()
    {
        QFETCH(QString, engine);
        HISTORY_REQUIRE_ENGINE(engine);
        database::Database db(freshConfig(engine));
        const QList<qint64> ids = historytest::addOrders(db, 3);
        const QDateTime start = QDateTime::currentDateTimeUtc();
        db.call<void>([&](database::Connection &c) {
            orders::applyTransition(c, {ids[0]}, OrderAction::Claim, {kHere, kHereToken, start.addSecs(-3600), {}});
            orders::applyTransition(c, {ids[1]}, OrderAction::Claim, {kThere, kThereToken, start.addSecs(-3600), {}});
            orders::applyTransition(c, {ids[2]}, OrderAction::Claim, {kHere, kHereToken, start.addSecs(5), {}});
        });
        const QList<qint64> left = db.call<QList<qint64>>([&](database::Connection &c) {
            return orders::store::leftClaims(c, kHere, start);
        });
        QCOMPARE(left, QList<qint64>{ids[0]});
    }
};

QTEST_GUILESS_MAIN(OrderStateTest)
#include "tst_orderstate.moc"
