// The built-in PDF printer with no cupsd answering: it is the only and default
// printer, and every job becomes a new PDF file in pdf/ of the current directory.

#include "printer/ovprinters.h"
#include "printer-ui/ovprintdialogs.h"
#include "printer-ui/ovprintersetupform.h"
#include "printer-cups/systemprinterbackend.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "filesizelimit.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct ToolResult
{
    int exitCode = -1;
    QString output;
};

ToolResult runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(20000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
}

QStringList pdfFiles()
{
    return QDir(QStringLiteral("pdf")).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
}

void printPage(const QString &text)
{
    OvPrinter().BeginDoc(QStringLiteral("mekira_RErorezev  "));
    QPainter *canvas = OvPrinter().Canvas();
    QVERIFY(canvas);
    canvas->setFont(QFont(QStringLiteral("IPAPMincho"), 14));
    canvas->drawText(400, 400, text);
    OvPrinter().EndDoc();
}

} // namespace

class PdfTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void onlyPrinterAndDefault();
    void capabilities();
    void jobWritesPdfWithRealText();
    void jobsNeverOverwrite();
    void jobFileNamesAreUnique();
    void abortLeavesNoFile();
    void userPaperSize();
    void lowerResolution();
    void unwritableFolder();
    void setupDialogOffersThePdfPrinter();
    void outputThatCannotBeWritten_data();
    void outputThatCannotBeWritten();

private:
    QTemporaryDir m_work;
    int m_blockedPort = -1;
    QString m_oldCwd;
    std::unique_ptr<OvPrinterScope> m_scope;
};

void PdfTest::initTestCase()
{
    // A port bound here but never listened on: connections are refused, and no other
    // test's cupsd can take the port while this test runs.
    m_blockedPort = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(m_blockedPort >= 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::bind(m_blockedPort, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    QCOMPARE(::getsockname(m_blockedPort, reinterpret_cast<sockaddr *>(&address), &length), 0);
    qputenv("CUPS_SERVER", QByteArray("127.0.0.1:") + QByteArray::number(ntohs(address.sin_port)));
    QVERIFY(m_work.isValid());
    m_oldCwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_work.path()));
}

void PdfTest::cleanupTestCase()
{
    m_scope.reset();
    QDir::setCurrent(m_oldCwd);
    if (m_blockedPort >= 0)
        ::close(m_blockedPort);
}

void PdfTest::init()
{
    m_scope.reset();
    QDir(QStringLiteral("pdf")).removeRecursively();
    QFile::remove(QStringLiteral("pdf"));
    m_scope = std::make_unique<OvPrinterScope>(createSystemPrinterBackend());
}

void PdfTest::onlyPrinterAndDefault()
{
    QCOMPARE(OvPrinter().PrinterNames(), QStringList{printer::pdfPrinterName()});
    QCOMPARE(OvPrinter().Index(), 0);
    OvPrinter().SetIndex(-1);
    QCOMPARE(OvPrinter().Index(), 0);
    QCOMPARE(OvPrinter().Port(), printer::pdfPrinterPort());
    QCOMPARE(OvPrinter().PortNames(), QStringList{printer::pdfPrinterPort()});
}

void PdfTest::capabilities()
{
    QList<int> papers;
    for (int i = 0; i < OvPrinter().NumPaperSizes(); ++i)
        papers.append(OvPrinter().PaperSizeNumbers(i));
    QCOMPARE(papers, (QList<int>{9, 11, 13, 1, 43, 256}));
    QCOMPARE(OvPrinter().PaperSizeIndex(), 0); // A4
    QCOMPARE(OvPrinter().NumBins(), 1);
    QCOMPARE(OvPrinter().BinIndex(), 0);
    QCOMPARE(OvPrinter().NumQualities(), 2);
    QCOMPARE(OvPrinter().Qualities(0), (TOvExtent{300, 300}));
    QCOMPARE(OvPrinter().Qualities(1), (TOvExtent{600, 600}));
    QCOMPARE(OvPrinter().DPI(), (TOvExtent{600, 600}));
    QCOMPARE(OvPrinter().Scale(), quint16(100));
    // Qt keeps page sizes in whole points: within a point of 210 x 297 mm.
    QVERIFY(qAbs(OvPrinter().MMPaperExtent().cx - 2100) <= 4);
    QVERIFY(qAbs(OvPrinter().MMPaperExtent().cy - 2970) <= 4);
    QCOMPARE(OvPrinter().Offset(), (TOvExtent{0, 0}));
}

void PdfTest::jobWritesPdfWithRealText()
{
    printPage(QStringLiteral("ゆうパック 送り状 100-0001"));
    const QStringList files = pdfFiles();
    QCOMPARE(files.size(), 1);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{8}-\\d{6}\\.pdf$")).match(files.first()).hasMatch(),
             qPrintable(files.first()));
    const QString path = QStringLiteral("pdf/") + files.first();
    const ToolResult info = runTool(QStringLiteral("pdfinfo"), {path});
    QCOMPARE(info.exitCode, 0);
    QVERIFY2(info.output.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(info.output));
    QVERIFY2(info.output.contains(QStringLiteral("mekira_RErorezev")), qPrintable(info.output));
    const ToolResult fonts = runTool(QStringLiteral("pdffonts"), {path});
    QCOMPARE(fonts.exitCode, 0);
    const QStringList fontLines = fonts.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    QVERIFY2(!fontLines.isEmpty(), qPrintable(fonts.output));
    for (const QString &line : fontLines) {
        // Columns: name type encoding emb sub uni object ID
        const QStringList columns = line.simplified().split(QLatin1Char(' '));
        QVERIFY2(columns.size() >= 6 && columns.at(columns.size() - 5) == QLatin1String("yes"),
                 qPrintable(line));
    }
    const ToolResult text = runTool(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    QVERIFY2(text.output.contains(QStringLiteral("ゆうパック 送り状 100-0001")), qPrintable(text.output));

    const QString out = qEnvironmentVariable("MEKIRA_TEST_OUTPUT");
    if (!out.isEmpty() && QDir().mkpath(out)) {
        QFile::remove(out + QStringLiteral("/printer_pdf_job.pdf"));
        QFile::copy(path, out + QStringLiteral("/printer_pdf_job.pdf"));
    }
}

void PdfTest::jobsNeverOverwrite()
{
    printPage(QStringLiteral("first"));
    printPage(QStringLiteral("second"));
    printPage(QStringLiteral("third"));
    const QStringList files = pdfFiles();
    QCOMPARE(files.size(), 3);
    QStringList texts;
    for (const QString &file : files) {
        QCOMPARE(runTool(QStringLiteral("pdfinfo"), {QStringLiteral("pdf/") + file}).exitCode, 0);
        texts.append(runTool(QStringLiteral("pdftotext"), {QStringLiteral("pdf/") + file, QStringLiteral("-")})
                         .output.trimmed());
    }
    texts.sort();
    QCOMPARE(texts, (QStringList{QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")}));
}

void PdfTest::jobFileNamesAreUnique()
{
    QVERIFY(QDir().mkpath(QStringLiteral("pdf")));
    const QString first = printer::createPdfJobFile(QStringLiteral("pdf"));
    QVERIFY(!first.isEmpty());
    QFile older(first);
    QVERIFY(older.open(QIODevice::WriteOnly));
    older.write("older job");
    older.close();
    // Many files within the same second: each new, none touching another.
    QSet<QString> names{first};
    for (int i = 0; i < 5; ++i) {
        const QString next = printer::createPdfJobFile(QStringLiteral("pdf"));
        QVERIFY(!next.isEmpty());
        QVERIFY(!names.contains(next));
        names.insert(next);
    }
    QVERIFY(older.open(QIODevice::ReadOnly));
    QCOMPARE(older.readAll(), QByteArray("older job"));
}

void PdfTest::abortLeavesNoFile()
{
    OvPrinter().BeginDoc(QStringLiteral("aborted"));
    OvPrinter().Canvas()->drawText(10, 10, QStringLiteral("x"));
    OvPrinter().Abort();
    QVERIFY(!OvPrinter().Printing());
    QVERIFY(pdfFiles().isEmpty());
}

void PdfTest::userPaperSize()
{
    OvPrinter().SetUserPaperExtent({1000, 1480});
    OvPrinter().ApplySettings();
    QCOMPARE(OvPrinter().PaperSizeNumber(), 256);
    QCOMPARE(OvPrinter().UserPaperExtent(), (TOvExtent{1000, 1480}));
    // 100 x 148 mm at 600 dpi, to the nearest point.
    QVERIFY(qAbs(OvPrinter().PaperExtent().cx - 2362) <= 9);
    QVERIFY(qAbs(OvPrinter().PaperExtent().cy - 3496) <= 9);
    printPage(QStringLiteral("postcard"));
    const ToolResult info = runTool(QStringLiteral("pdfinfo"), {QStringLiteral("pdf/") + pdfFiles().value(0)});
    QVERIFY2(info.output.contains(QRegularExpression(QStringLiteral("Page size:\\s+28[34](\\.\\d+)? x 4(19|20)(\\.\\d+)? pts"))),
             qPrintable(info.output));

    OvPrinter().SetPaperSizeNumber(43);
    OvPrinter().ApplySettings();
    QCOMPARE(OvPrinter().PaperSizeNumber(), 43);
    QVERIFY(qAbs(OvPrinter().MMPaperExtent().cx - 1000) <= 4);
}

void PdfTest::lowerResolution()
{
    OvPrinter().SetQuality({300, 300});
    OvPrinter().ApplySettings();
    QCOMPARE(OvPrinter().DPI(), (TOvExtent{300, 300}));
    QVERIFY(qAbs(OvPrinter().PaperExtent().cx - 2480) <= 5);
}

void PdfTest::unwritableFolder()
{
    // A plain file where the folder should be.
    QFile blocker(QStringLiteral("pdf"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY_THROWS_EXCEPTION(EOvPrinter, OvPrinter().BeginDoc(QStringLiteral("T")));
    QVERIFY(!OvPrinter().Printing());
    QVERIFY(!OvPrinter().Canvas());
}

// With no CUPS queue the printer-setup dialog still lists the PDF printer and OK
// keeps it.
void PdfTest::setupDialogOffersThePdfPrinter()
{
    QStringList offered;
    QTimer::singleShot(0, [&] {
        auto *form = qobject_cast<OvPrinterSetupForm *>(QApplication::activeModalWidget());
        QVERIFY(form);
        for (int i = 0; i < form->printerBox()->count(); ++i)
            offered.append(form->printerBox()->itemText(i));
        form->accept();
    });
    QVERIFY(TOvPrinterSetupDialog().Execute());
    QCOMPARE(offered, QStringList{printer::pdfPrinterName()});
    QCOMPARE(OvPrinter().Index(), 0);
    QCOMPARE(OvPrinter().PaperSizeNumber(), 9);
}

// A disk that fills up: the job fails with the reason and leaves no file behind.
void PdfTest::outputThatCannotBeWritten_data()
{
    QTest::addColumn<int>("limit");
    QTest::newRow("nothing fits") << 1;
    QTest::newRow("full half way") << 4096;
}

void PdfTest::outputThatCannotBeWritten()
{
    QFETCH(int, limit);
    OvPrinter().BeginDoc(QStringLiteral("mekira_RErorezev  "));
    OvPrinter().Canvas()->drawText(400, 400, QStringLiteral("見本　花子"));
    {
        const FileSizeLimit full{rlim_t(limit)};
        try {
            OvPrinter().EndDoc();
            QFAIL("the job was reported as printed");
        } catch (const EOvPrinter &e) {
            QVERIFY2(e.message().contains(QStringLiteral("書き込めません")), qPrintable(e.message()));
        }
    }
    QVERIFY(!OvPrinter().Printing());
    QCOMPARE(QDir(QStringLiteral("pdf")).entryList(QDir::Files | QDir::Hidden), QStringList());
    QVERIFY(OvPrinter().backend().lastJobFile().isEmpty());
    // The next job works again, and its file is known.
    printPage(QStringLiteral("次"));
    QCOMPARE(pdfFiles().size(), 1);
    QCOMPARE(QFileInfo(OvPrinter().backend().lastJobFile()).fileName(), pdfFiles().first());
}

QTEST_MAIN(PdfTest)
#include "tst_pdf.moc"
