// The history window on a real order book (SQLite): search as the user types, a stack
// of slips scanned into the tracking-number column, a duplicate refused, the export
// and the way back into the main window.
#include "app/historywindow.h"

#include "../printing/scriptedboxes.h"

#include "database/connection.h"
#include "database/database.h"
#include "history/historymodel.h"
#include "history/historystore.h"
#include "orders/orderstore.h"
#include "platform/codepage.h"

#include <QCheckBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using history::HistoryModel;

class TestHistoryWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<database::Database> m_db;
    QList<slip::SlipRecord> m_opened;
    QList<std::pair<slip::SlipRecord, QString>> m_reprinted;
    QString m_savePath;

    std::unique_ptr<app::HistoryWindow> openWindow()
    {
        app::HistoryWindow::Actions actions;
        actions.openInMainWindow = [this](const slip::SlipRecord &slip) { m_opened << slip; };
        actions.askSavePath = [this](const QString &) { return m_savePath; };
        actions.printDirectly = [this](const slip::SlipRecord &slip, const QString &question) {
            m_reprinted << std::make_pair(slip, question);
            return true;
        };
        auto window = std::make_unique<app::HistoryWindow>(*m_db, actions);
        window->show();
        // The first page may already be there when the window is made.
        if (!QTest::qWaitFor([&] { return !window->model().isLoading(); }, 5000))
            return nullptr;
        return window;
    }

    // The open tracking-number editor, if any.
    static QLineEdit *editor(app::HistoryWindow &window)
    {
        return window.table()->viewport()->findChild<QLineEdit *>();
    }

    // Text as an input method (or a scanner's keyboard emulation) hands it over.
    static void commit(QWidget *widget, const QString &text)
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        QCoreApplication::sendEvent(widget, &event);
    }

    static void scan(app::HistoryWindow &window, const QString &digits)
    {
        QLineEdit *line = editor(window);
        QVERIFY(line);
        commit(line, digits);
        QTest::keyClick(line, Qt::Key_Return);
    }

private Q_SLOTS:
    void init()
    {
        m_db = std::make_unique<database::Database>(
            database::DatabaseConfig::sqlite(m_dir.filePath(QStringLiteral("%1.db").arg(QTest::currentTestFunction()))));
        m_db->call<void>([](database::Connection &c) {
            const char *const names[] = {"青木 一", "井上 二", "上田 三", "江藤 四", "岡田 五"};
            // Each slip from an order of the book, numbered W-1 to W-5.
            QList<orders::Order> list;
            for (int i = 0; i < 5; ++i) {
                orders::Order o;
                o.sourceFormat = QStringLiteral("base");
                o.orderNumber = o.orderKey = QStringLiteral("W-%1").arg(i + 1);
                o.custo1 = QString::fromUtf8(names[i]);
                list << o;
            }
            orders::store::addOrders(c, list);
            const QList<qint64> orderIds = orders::store::orderIds(c, {});
            for (int i = 0; i < 5; ++i) {
                history::PrintedSlip printed;
                printed.orderId = orderIds.at(i);
                printed.slip.destination.name = QString::fromUtf8(names[i]);
                printed.slip.destination.telephone = QStringLiteral("03-0000-000%1").arg(i);
                printed.slip.goods[0] = QStringLiteral("品物 %1").arg(i);
                printed.printer = QStringLiteral("Slip");
                // Newest first in the window: 岡田 on top, 青木 last.
                const qint64 id = history::HistoryStore::record(
                    c, printed, QDateTime(QDate(2026, 12, 1 + i), QTime(10, 0)), QStringLiteral("A"));
                if (i == 3) // 江藤, the second row: already scanned
                    history::HistoryStore::setTrackingNumber(c, id, QStringLiteral("555566667773"));
            }
        });
        m_opened.clear();
        m_reprinted.clear();
    }

    // 「もう一度印刷」 asks the reprint question, naming when and where the slip was printed.
    void reprintAsks()
    {
        auto window = openWindow();
        QVERIFY(window);
        window->table()->selectRow(3);
        for (QPushButton *b : window->findChildren<QPushButton *>()) {
            if (b->text() == QStringLiteral("もう一度印刷"))
                b->click();
        }
        QCOMPARE(m_reprinted.size(), 1);
        QCOMPARE(m_reprinted.first().first.destination.name, QStringLiteral("井上 二"));
        QCOMPARE(m_reprinted.first().second,
                 QStringLiteral("W-2 は 2026/12/02 10:00 に（A）で印刷済みです。もう一度印刷しますか?"));
    }

    void searchWhileTyping()
    {
        auto window = openWindow();
        QVERIFY(window);
        QCOMPARE(window->model().rowCount(), 5);
        auto *text = window->findChild<QLineEdit *>();
        QVERIFY(text);
        QSignalSpy loaded(&window->model(), &HistoryModel::loaded);
        commit(text, QStringLiteral("井上"));
        QVERIFY(loaded.wait(3000));
        QCOMPARE(window->model().rowCount(), 1);
        QCOMPARE(window->model().entryAt(0).printed.slip.destination.name, QStringLiteral("井上 二"));
    }

    // A stack of slips scanned in one go: each refusal (duplicate, length, check digit)
    // is said in the help line and kept in its row, never in a box, and the editor
    // stays on that row for the next scan.
    void scanStackOfSlips()
    {
        ScriptedBoxes boxes;
        auto window = openWindow();
        QVERIFY(window);
        HistoryModel &model = window->model();
        auto *help = [&] {
            for (QLabel *label : window->findChildren<QLabel *>()) {
                if (label->text().endsWith(QStringLiteral("件")))
                    return label;
            }
            return static_cast<QLabel *>(nullptr);
        }();
        QVERIFY(help);
        QSignalSpy saved(&model, &HistoryModel::trackingSaved);
        QSignalSpy refused(&model, &HistoryModel::trackingRefused);
        window->table()->setCurrentIndex(model.index(0, HistoryModel::Tracking));
        window->table()->edit(model.index(0, HistoryModel::Tracking));
        scan(*window, QStringLiteral("A111122223332A")); // as a scanner sends the NW-7 code
        QTRY_COMPARE(saved.size(), 1);
        // The second row already has a number: the focus skips it.
        QTRY_COMPARE(window->table()->currentIndex().row(), 2);
        QTRY_VERIFY(editor(*window));

        struct Refusal
        {
            QString scanned;
            QString said;
        };
        const Refusal refusals[] = {
            {QStringLiteral("1111-2222-3332"), QStringLiteral("入力済み")}, // the first row's number again
            {QStringLiteral("12345"), QStringLiteral("12桁")},
            {QStringLiteral("111122223333"), QStringLiteral("お問い合わせ番号の確認数字が合いません（1111-2222-3333）")},
        };
        for (const Refusal &refusal : refusals) {
            const qsizetype before = refused.size();
            scan(*window, refusal.scanned);
            QTRY_COMPARE(refused.size(), before + 1);
            QTRY_VERIFY2(help->text().contains(refusal.said), qPrintable(help->text()));
            QVERIFY2(model.refusalAt(2).contains(refusal.said), qPrintable(model.refusalAt(2)));
            QCOMPARE(model.index(2, HistoryModel::Tracking).data().toString(), model.refusalAt(2));
            QCOMPARE(model.entryAt(2).trackingNumber, QString());
            QTRY_VERIFY(editor(*window));
            QCOMPARE(window->table()->currentIndex().row(), 2);
        }
        QVERIFY2(boxes.errors.isEmpty(), qPrintable(boxes.errors.join(u'\n')));
        scan(*window, QStringLiteral("９９９９８８８８７７７４")); // full-width, as an input method may send
        QTRY_COMPARE(saved.size(), 2);
        QTRY_COMPARE(window->table()->currentIndex().row(), 3);
        QCOMPARE(model.entryAt(2).trackingNumber, QStringLiteral("999988887774"));
        QCOMPARE(model.refusalAt(2), QString());

        // What was stored, and what the export writes of it (generic layout, CP932); the
        // rows written are marked reported, and a second export has nothing new.
        QTRY_VERIFY(editor(*window));
        QTest::keyClick(editor(*window), Qt::Key_Escape); // the stack is done
        QTRY_VERIFY(!editor(*window) || !editor(*window)->isVisible());
        m_savePath = m_dir.filePath(QStringLiteral("shipped.csv"));
        history::ShipmentExportOptions options;
        options.layout = history::ExportLayout::Generic;
        options.encoding = history::ExportEncoding::Cp932;
        window->exportShipments(options);
        QTRY_VERIFY(QFile::exists(m_savePath));
        const QStringList lines = platform::readCp932Lines(m_savePath);
        QCOMPARE(lines.size(), 4);
        QVERIFY2(lines[1].startsWith(QStringLiteral("\"W-3\",\"999988887774\",\"日本郵便\",\"ゆうパック\",\"2026/12/03\"")),
                 qPrintable(lines[1]));
        QVERIFY(lines[3].contains(QStringLiteral("\"111122223332\"")));
        QTRY_VERIFY(model.index(0, HistoryModel::Reported).data().toString().startsWith(QStringLiteral("報告済み")));
        QCOMPARE(model.index(3, HistoryModel::Reported).data().toString(), QString());
        QFile::remove(m_savePath);
        window->exportShipments(options);
        QTRY_COMPARE(boxes.notices.size(), 1);
        QVERIFY(boxes.notices.first().startsWith(QStringLiteral("書き出す発送がありません")));
    }

    // 「古い順」: a day's slips in the order they were printed.
    void oldestFirst()
    {
        auto window = openWindow();
        QVERIFY(window);
        QCOMPARE(window->model().entryAt(0).printed.slip.destination.name, QStringLiteral("岡田 五"));
        auto *box = [&] {
            for (QCheckBox *b : window->findChildren<QCheckBox *>()) {
                if (b->text() == QStringLiteral("古い順"))
                    return b;
            }
            return static_cast<QCheckBox *>(nullptr);
        }();
        QVERIFY(box);
        QSignalSpy loaded(&window->model(), &HistoryModel::loaded);
        QSignalSpy failed(&window->model(), &HistoryModel::failed);
        box->setChecked(true);
        QTRY_VERIFY(!loaded.isEmpty() || !failed.isEmpty());
        QVERIFY2(failed.isEmpty(), failed.isEmpty() ? "" : qPrintable(failed.first().first().toString()));
        QCOMPARE(window->model().rowCount(), 5);
        QCOMPARE(window->model().entryAt(0).printed.slip.destination.name, QStringLiteral("青木 一"));
        QCOMPARE(window->model().entryAt(4).printed.slip.destination.name, QStringLiteral("岡田 五"));
    }

    void backIntoMainWindow()
    {
        auto window = openWindow();
        QVERIFY(window);
        window->table()->selectRow(3);
        auto *button = [&] {
            for (QPushButton *b : window->findChildren<QPushButton *>()) {
                if (b->text() == QStringLiteral("メイン画面へ"))
                    return b;
            }
            return static_cast<QPushButton *>(nullptr);
        }();
        QVERIFY(button);
        button->click();
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened.first().destination.name, QStringLiteral("井上 二"));
        QCOMPARE(m_opened.first().goods[0], QStringLiteral("品物 1"));
    }
};

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
