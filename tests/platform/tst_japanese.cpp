#include "platform-ui/fonts.h"
#include "platform-ui/translations.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString runTool(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

// Japanese as the user meets it: rare kanji in print, Qt's own texts in Japanese.
class JapaneseTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // As at start: the font configuration is read on a thread of its own before the
        // first text, and the form's font names are mapped.
        platform::FontConfigPreload preload;
        preload.wait();
        platform::installFontSubstitutions();
    }

    // The window asks for the installed family of each form font and is given that font.
    void windowFontsAreTheInstalledOnes_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("installed");
        QTest::newRow("gothic") << u"ＭＳ Ｐゴシック"_qs << u"IPAPGothic"_qs;
        QTest::newRow("mincho") << u"ＭＳ Ｐ明朝"_qs << u"IPAPMincho"_qs;
        QTest::newRow("latin") << u"Lucida Sans Unicode"_qs << u"DejaVu Sans"_qs;
    }
    void windowFontsAreTheInstalledOnes()
    {
        QFETCH(QString, family);
        QFETCH(QString, installed);
        // Qt keeps substitutions in lower case; font names match regardless of case.
        QCOMPARE(platform::installedFamily(family).compare(installed, Qt::CaseInsensitive), 0);
        QCOMPARE(QFontInfo(QFont(platform::installedFamily(family))).family(), installed);
    }

    // Each of the form's fonts prints in the font it is mapped to, and a kanji beyond
    // CP932 and the IPA fonts (𠮷) in IPAmj Mincho, embedded. (Qt's PDF writer leaves
    // characters beyond the first plane out of the text layer, so pdftotext cannot
    // show 𠮷 itself; the glyph is drawn.)
    void rareKanjiArePrinted_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("mappedTo");
        QTest::newRow("mincho") << u"ＭＳ Ｐ明朝"_qs << u"IPAPMincho"_qs;
        QTest::newRow("gothic") << u"ＭＳ Ｐゴシック"_qs << u"IPAPGothic"_qs;
        QTest::newRow("latin") << u"Lucida Sans Unicode"_qs << u"DejaVuSans"_qs;
    }
    void rareKanjiArePrinted()
    {
        QFETCH(QString, family);
        QFETCH(QString, mappedTo);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"slip.pdf"_qs);
        {
            QPdfWriter pdf(path);
            QPainter painter(&pdf);
            QFont font(family);
            font.setPointSize(12);
            painter.setFont(font);
            painter.drawText(QPoint(200, 400), u"𠮷田 髙橋 A1"_qs);
        }
        const QString fonts = runTool(u"pdffonts"_qs, {path});
        QVERIFY2(fonts.contains(u"IPAmjMincho"_qs) && fonts.contains(mappedTo), qPrintable(fonts));
        QVERIFY(runTool(u"pdftotext"_qs, {path, u"-"_qs}).contains(u"田 髙橋 A1"_qs));
    }

    void qtTextsFollowTheLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("japanese");
        QTest::newRow("C") << QLocale::c() << false;
        QTest::newRow("Japanese") << QLocale(QLocale::Japanese, QLocale::Japan) << true;
    }
    void qtTextsFollowTheLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(bool, japanese);
        QCOMPARE(platform::installQtTranslations(locale), japanese);
        QCOMPARE(QCoreApplication::translate("QPrintDialog", "Print") != u"Print"_qs, japanese);
        QCOMPARE(QCoreApplication::translate("QWidgetTextControl", "&Paste") != u"&Paste"_qs, japanese);
    }
};

QTEST_MAIN(JapaneseTest)
#include "tst_japanese.moc"
