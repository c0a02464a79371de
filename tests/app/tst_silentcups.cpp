// A CUPS server that accepts connections and never answers (a hanging scheduler):
// the window starts and answers within a second, a change check gives up within its
// bound and changes nothing, and the built-in PDF printer prints.

#include "appfixture.h"
#include "printer-cups/systemprinterbackend.h"

#include "printer-cups/cupscall.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QToolButton>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class SilentCupsTest : public QObject
{
    Q_OBJECT

private:
    int m_listener = -1;
    QTemporaryDir m_work;
    QString m_previousDir;

private Q_SLOTS:
    void initTestCase()
    {
        // Listening, never accepting: the system completes every connection and
        // nothing is ever read or answered.
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        QVERIFY(m_listener >= 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QCOMPARE(::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        QCOMPARE(::listen(m_listener, 64), 0);
        socklen_t length = sizeof address;
        QCOMPARE(::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length), 0);
        qputenv("CUPS_SERVER", "127.0.0.1:" + QByteArray::number(ntohs(address.sin_port)));
        m_previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_work.path()));
        writeFileBytes(m_work.filePath(u"my0.txt"_s), "\r\n\r\n\r\n\r\n\r\n");
    }
    void cleanupTestCase()
    {
        QDir::setCurrent(m_previousDir);
        ::close(m_listener);
    }

    void windowAnswersAndPdfPrints()
    {
        ScriptedBoxes boxes;
        QElapsedTimer clock;
        clock.start();
        OvPrinterScope printers(createSystemPrinterBackend());
        TForm_Main window;
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(window.workingDirectory() == m_work.path(), 5000);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(window.ComboBox1->currentText(), u"PDF 出力"_s);

        // A check that gets no answer is no change, and it does not wait for ever.
        clock.restart();
        OvPrinter().SystemChangeHook();
        QVERIFY2(clock.elapsed() < 3 * printer::kCupsWaitMs, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(OvPrinter().PrinterNames(), QStringList{u"PDF 出力"_s});

        clock.restart();
        QTest::mouseClick(window.SpeedButton_F[10], Qt::LeftButton);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(boxes.errors.isEmpty(), qPrintable(boxes.errors.join(u'\n')));
        QCOMPARE(QDir(m_work.filePath(u"pdf"_s)).entryList(QDir::Files).size(), 1);
        window.close();
    }
};

QTEST_MAIN(SilentCupsTest)
#include "tst_silentcups.moc"
