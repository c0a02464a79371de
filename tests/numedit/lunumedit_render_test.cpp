#include "numedit/lunumedit.h"
#include "numedit/numeditpresets.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QTest>

using numedit::TLuNumEdit;

namespace {

// Counts the pixels of one colour inside a rectangle of an image.
int countColour(const QImage &image, const QRect &area, const QColor &colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

} // namespace

// Renders a sheet of boxes in their different looks to a PNG a person can check,
// and checks the colours that the painting promises.
class LuNumEditRenderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void renderSheet();

private:
    TLuNumEdit *addBox(const QString &caption, const QString &value);

    QWidget m_sheet;
    int m_row = 0;
};

void LuNumEditRenderTest::initTestCase()
{
    // The program's windows use a Japanese proportional gothic at 12 pixels.
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(12);
    m_sheet.setFont(font);
    m_sheet.setAutoFillBackground(true);
}

TLuNumEdit *LuNumEditRenderTest::addBox(const QString &caption, const QString &value)
{
    auto *label = new QLabel(caption, &m_sheet);
    label->setGeometry(8, 8 + m_row * 28, 190, 20);
    auto *box = new TLuNumEdit(&m_sheet);
    box->move(200, 8 + m_row * 28);
    box->setText(value);
    ++m_row;
    return box;
}

void LuNumEditRenderTest::renderSheet()
{
    addBox(QStringLiteral("既定 1234567.891"), QStringLiteral("1234567.891"));
    TLuNumEdit *marked = addBox(QStringLiteral("マーク ¥ 円"), QStringLiteral("-1000"));
    marked->setLeftMark(QStringLiteral("¥"));
    marked->setRightMark(QStringLiteral("円"));
    TLuNumEdit *fixed = addBox(QStringLiteral("小数固定 2 桁 5.1"), QStringLiteral("5.1"));
    fixed->setDecimalLength(2);
    fixed->setDecimalFixed(true);
    TLuNumEdit *emptyFixed = addBox(QStringLiteral("小数固定 空"), QString());
    emptyFixed->setDecimalLength(2);
    emptyFixed->setDecimalFixed(true);
    TLuNumEdit *noComma = addBox(QStringLiteral("区切りなし 左寄せ"), QStringLiteral("98765"));
    noComma->setComma(false);
    noComma->setAlignment(TLuNumEdit::TAlignment::taLeftJustify);
    TLuNumEdit *centred = addBox(QStringLiteral("中央寄せ"), QStringLiteral("42"));
    centred->setAlignment(TLuNumEdit::TAlignment::taCenter);
    TLuNumEdit *selected = addBox(QStringLiteral("選択中 1,234"), QStringLiteral("1234"));
    TLuNumEdit *disabled = addBox(QStringLiteral("無効 7,777"), QStringLiteral("7777"));
    disabled->setEnabled(false);
    disabled->setDisabledColor(QColor(128, 128, 128));
    TLuNumEdit *kosuu = addBox(QStringLiteral("個数 (35×20)"), QStringLiteral("123"));
    numedit::setUpQuantityBox(*kosuu);
    kosuu->setGeometry(kosuu->x(), kosuu->y(), 35, 20);
    TLuNumEdit *flat = addBox(QStringLiteral("平面枠 上寄せ"), QStringLiteral("3.25"));
    flat->setCtl3D(false);
    flat->setVertAlignment(TLuNumEdit::TVertAlignment::taTopJustify);
    TLuNumEdit *focused = addBox(QStringLiteral("入力中 (キャレット)"), QString());

    m_sheet.resize(340, 8 + m_row * 28);
    m_sheet.show();
    m_sheet.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_sheet));
    focused->setAutoSelect(false);
    focused->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(focused, QStringLiteral("-12.5"));
    selected->selectAll();
    QCOMPARE(fixed->valText(), QStringLiteral("5.10"));
    QCOMPARE(emptyFixed->valText(), QStringLiteral("0.00"));
    QCOMPARE(marked->valText(), QStringLiteral("¥-1,000円"));
    QCOMPARE(focused->valText(), QStringLiteral("-12.5"));

    const QPixmap shot = m_sheet.grab();
    const QString folder = qEnvironmentVariable("MEKIRA_TEST_OUTPUT", QDir::tempPath());
    QVERIFY(QDir().mkpath(folder));
    const QString file = QDir(folder).filePath(QStringLiteral("numedit_boxes.png"));
    QVERIFY(shot.save(file));
    qInfo("sheet written to %s", qPrintable(file));

    const QImage image = shot.toImage().convertToFormat(QImage::Format_RGB32);
    const qreal ratio = shot.devicePixelRatio();
    QCOMPARE(ratio, 1.0);
    const auto onSheet = [](const TLuNumEdit *box, const QRect &r) {
        return r.translated(box->pos());
    };

    // Selection: the text rectangle is in the highlight colour, the rest of the
    // client keeps the box colour.
    const QPalette pal = selected->palette();
    const QColor highlight = pal.color(QPalette::Active, QPalette::Highlight);
    const QRect selRect = onSheet(selected, selected->drawRect());
    QVERIFY(selRect.width() > 0);
    QVERIFY(countColour(image, selRect, highlight) > selRect.width() * selRect.height() / 2);
    const QRect leftOfText(selected->x() + 4, selRect.top(), 10, selRect.height());
    QCOMPARE(countColour(image, leftOfText, selected->color()), leftOfText.width() * leftOfText.height());

    // Disabled: the text in the disabled colour on the box colour, no highlight.
    const QRect disRect = onSheet(disabled, disabled->drawRect());
    QVERIFY(countColour(image, disRect, QColor(128, 128, 128)) > 0);
    QCOMPARE(countColour(image, disRect, highlight), 0);
    QCOMPARE(countColour(image, disRect, pal.color(QPalette::Active, QPalette::Text)), 0);

    // Right alignment: the text ends at the right margin (client width − 2 − 1).
    const TLuNumEdit *plain = m_sheet.findChildren<TLuNumEdit *>().first();
    QCOMPARE(plain->drawRect().right() + 1, plain->width() - 2 - plain->rightMargin() - 1);
    // Left alignment starts at the left margin inside the sunken edge.
    QCOMPARE(noComma->drawRect().left(), 2 + noComma->leftMargin());
    // Top alignment sits at the top margin inside the one-pixel border.
    QCOMPARE(flat->drawRect().top(), 1 + flat->topMargin());
}

QTEST_MAIN(LuNumEditRenderTest)
#include "lunumedit_render_test.moc"
