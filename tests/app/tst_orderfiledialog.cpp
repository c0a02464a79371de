// The import dialog lists the working folder while the order book is open, and the
// book's SQLite locks hold afterwards: a descriptor of the book opened and closed by
// this process (a dialog looking into the file) would have dropped them.

#include "app/orderfiledialog.h"

#include "database/database.h"

#include <QAbstractItemView>
#include <QFile>
#include <QFileSystemModel>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Whether another process finds a lock of this one on bytes [start, start + length) of
// `path`. Asked from a child: any descriptor of the file closed here would drop them.
bool lockedByThisProcess(const QString &path, off_t start, off_t length)
{
    const QByteArray name = QFile::encodeName(path);
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(name.constData(), O_RDWR);
        struct flock probe = {};
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        probe.l_start = start;
        probe.l_len = length;
        const bool locked = fd >= 0 && ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
        ::_exit(locked ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// SQLite's lock of a connection in WAL mode: a read lock on the "dead man switch" byte
// of the shared-memory index, held while the book is open.
constexpr off_t kShmDeadManSwitch = 128;

} // namespace

class OrderFileDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listingKeepsTheBooksLocks_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("entries");  // the folder's entries the filter lets the dialog look at
        QTest::newRow("order files") << u"注文ファイル (*.csv *.tsv *.txt)"_s << 1;
        QTest::newRow("all files: the book, -wal and -shm too") << u"すべてのファイル (*)"_s << 4;
    }
    void listingKeepsTheBooksLocks()
    {
        QFETCH(QString, filter);
        QFETCH(int, entries);
        QTemporaryDir dir;
        const QString book = dir.filePath(u"mekira.db"_s);
        database::Database db(database::DatabaseConfig::sqlite(book));
        db.call<void>([](database::Connection &c) {
            c.exec(u"INSERT INTO orders (source_format, order_key, imported_at) VALUES ('test', '1', 0)"_s);
        });
        QFile orders(dir.filePath(u"orders.csv"_s));
        QVERIFY(orders.open(QIODevice::WriteOnly));
        orders.write("注文番号\n");
        orders.close();
        QVERIFY(lockedByThisProcess(book + u"-shm"_s, kShmDeadManSwitch, 1));

        const std::unique_ptr<QFileDialog> dialog = app::makeOrderFileDialog(nullptr, book);
        auto *files = dialog->findChild<QFileSystemModel *>();
        QVERIFY(files);
        QSignalSpy loaded(files, &QFileSystemModel::directoryLoaded);
        dialog->selectNameFilter(filter);
        dialog->setDirectory(dir.path());
        dialog->show();
        QVERIFY(loaded.wait(10000) || !loaded.isEmpty());
        // Every entry of the folder was looked at (size, type, icon).
        const QModelIndex folder = files->index(dir.path());
        QTRY_VERIFY(files->rowCount(folder) >= entries);
        for (int row = 0; row < files->rowCount(folder); ++row)
            files->data(files->index(row, 0, folder), Qt::DecorationRole);
        QTest::qWait(200);

        // The dialog shows the order file, and nothing of the book.
        QStringList shown;
        auto *view = dialog->findChild<QAbstractItemView *>(u"listView"_s);
        QVERIFY(view);
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
            shown << view->model()->index(row, 0, view->rootIndex()).data().toString();
        QVERIFY2(shown.contains(u"orders.csv"_s), qPrintable(shown.join(u',')));
        QVERIFY2(!shown.contains(u"mekira.db"_s) && !shown.contains(u"mekira.db-wal"_s), qPrintable(shown.join(u',')));
        dialog->close();

        QVERIFY(lockedByThisProcess(book + u"-shm"_s, kShmDeadManSwitch, 1));
        // The book still reads and writes as one of this process.
        db.call<void>([](database::Connection &c) {
            c.exec(u"INSERT INTO orders (source_format, order_key, imported_at) VALUES ('test', '2', 0)"_s);
        });
    }
};

QTEST_MAIN(OrderFileDialogTest)
#include "tst_orderfiledialog.moc"
