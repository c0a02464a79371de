#include "platform-ui/glyphs.h"

#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QTest>

using platform::Glyph;

namespace {

const QList<Glyph> kAll{Glyph::ArrowRight, Glyph::ArrowUp, Glyph::Globe, Glyph::Mail,
                        Glyph::Eraser, Glyph::Trash, Glyph::Save, Glyph::Printer};

QImage render(Glyph glyph, int size, QIcon::Mode mode = QIcon::Normal)
{
    return platform::glyphIcon(glyph).pixmap(QSize(size, size), mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

int inkedPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return count;
}

} // namespace

class GlyphsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every picture fills a fair part of its square at the sizes the buttons use, and
    // stays inside it.
    void everyGlyphIsDrawn_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("12 px") << 12;
        QTest::newRow("16 px") << 16;
        QTest::newRow("32 px") << 32;
    }
    void everyGlyphIsDrawn()
    {
        QFETCH(int, size);
        for (const Glyph glyph : kAll) {
            const QImage image = render(glyph, size);
            QCOMPARE(image.size(), QSize(size, size));
            const int inked = inkedPixels(image);
            QVERIFY2(inked > size * size / 8, qPrintable(QStringLiteral("glyph %1: %2 pixels").arg(int(glyph)).arg(inked)));
            QVERIFY(inked < size * size);
        }
    }

    void glyphsDifferFromEachOther()
    {
        QSet<QByteArray> seen;
        for (const Glyph glyph : kAll) {
            const QImage image = render(glyph, 16);
            seen.insert(QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(seen.size(), kAll.size());
    }

    // A disabled button shows its picture in grey only.
    void disabledIsGrey()
    {
        for (const Glyph glyph : kAll) {
            const QImage image = render(glyph, 16, QIcon::Disabled);
            QVERIFY(inkedPixels(image) > 16 * 16 / 8);
            for (int y = 0; y < 16; ++y) {
                for (int x = 0; x < 16; ++x) {
                    const QRgb p = image.pixel(x, y);
                    if (qAlpha(p) == 0)
                        continue;
                    const QColor c = QColor::fromRgba(p);
                    QVERIFY2(c.toHsv().hsvSaturation() < 16, qPrintable(QStringLiteral("glyph %1 at %2,%3").arg(int(glyph)).arg(x).arg(y)));
                }
            }
        }
    }

    // Drawn for a high-density screen at twice the pixels, not scaled up.
    void sharpAtDoubleScale()
    {
        const QPixmap pixmap = platform::glyphIcon(Glyph::Save).pixmap(QSize(16, 16), 2.0);
        QCOMPARE(pixmap.size(), QSize(32, 32));
        QCOMPARE(pixmap.devicePixelRatio(), 2.0);
        // The same picture as at 32 pixels, not a 16-pixel one blown up.
        QImage doubled = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        doubled.setDevicePixelRatio(1.0);
        QCOMPARE(doubled, render(Glyph::Save, 32));
    }
};

QTEST_MAIN(GlyphsTest)
#include "tst_glyphs.moc"
