#include "numedit/lunumedit.h"
#include "numedit/numeditpresets.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using numedit::TLuNumEdit;

Q_DECLARE_METATYPE(Qt::Key)

namespace {

// A window with an edit before and after the box, so focus moves can be seen.
struct Form
{
    QWidget window;
    QLineEdit *before = nullptr;
    TLuNumEdit *box = nullptr;
    QLineEdit *after = nullptr;
    int beeps = 0;
    std::unique_ptr<QSignalSpy> changes;

    Form()
    {
        // Fixed places, as the program's windows have them.
        before = new QLineEdit(&window);
        box = new TLuNumEdit(&window);
        after = new QLineEdit(&window);
        box->setObjectName(QStringLiteral("LuNumEdit_Test"));
        before->setGeometry(10, 10, 121, 22);
        box->move(10, 40);
        after->setGeometry(10, 70, 121, 22);
        box->setBeeper([this] { ++beeps; });
        changes = std::make_unique<QSignalSpy>(box, &TLuNumEdit::changed);
    }

    bool show()
    {
        window.resize(200, 120);
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            return false;
        before->setFocus(Qt::OtherFocusReason);
        return before->hasFocus();
    }

    // Enters the box the way a user does, by Tab.
    void tabIn()
    {
        before->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(before, Qt::Key_Tab);
    }

    void type(const QString &keys)
    {
        for (const QChar c : keys)
            QTest::keyClick(box, c.toLatin1());
    }

    void commitFromInputMethod(const QString &text)
    {
        QInputMethodEvent e;
        e.setCommitString(text);
        QApplication::sendEvent(box, &e);
    }
};

void setClipboard(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

QString clipboardText()
{
    return QGuiApplication::clipboard()->text();
}

} // namespace

class LuNumEditTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaults();
    void typingOverSelectionAndTwoUndos();
    void backspaceOnSelectionWithoutChange();
    void widthRefusal_data();
    void widthRefusal();
    void clipboardKeys_data();
    void clipboardKeys();
    void pasteFullWidthPrice();
    void leavingWithLoneMinus();
    void menuCaptions();
    void menuEnabledStates_data();
    void menuEnabledStates();
    void menuActions();
    void rightClickFocusesAndOpensMenu();
    void focusKeys_data();
    void focusKeys();
    void enterInDialog_data();
    void enterInDialog();
    void keyHooksRunFirst();
    void quantityBox();
    void inputMethod();
    void mouseSelection();
    void focusEnterAndExit();
    void windowSwitchIsNoEntry();
    void exactModifiers();
    void sizing();
    void caretStandsAfterTypedText();
};

void LuNumEditTest::defaults()
{
    TLuNumEdit box;
    QCOMPARE(box.width(), 121);
    QCOMPARE(box.integerLength(), 9);
    QCOMPARE(box.decimalLength(), 3);
    QVERIFY(box.minus());
    QVERIFY(box.comma());
    QVERIFY(!box.decimalFixed());
    QCOMPARE(box.alignment(), TLuNumEdit::TAlignment::taRightJustify);
    QCOMPARE(box.vertAlignment(), TLuNumEdit::TVertAlignment::taVCenter);
    QCOMPARE(box.topMargin(), 2);
    QCOMPARE(box.rightMargin(), 2);
    QVERIFY(box.autoSize());
    QCOMPARE(box.borderStyle(), TLuNumEdit::TBorderStyle::bsSingle);
    QVERIFY(box.autoSelect());
    QVERIFY(box.errorBeep());
    QVERIFY(!box.imageCopy());
    QVERIFY(box.hideSelection());
    QVERIFY(!box.enterFocusMove());
    QVERIFY(!box.arrowFocusMove());
    QVERIFY(!box.readOnly());
    QVERIFY(box.tabStop());
    QVERIFY(box.imeEnabled());
    QCOMPARE(box.text(), QString());
    QCOMPARE(box.popupMenu(), box.editPopup());
    QCOMPARE(box.cursor().shape(), Qt::IBeamCursor);
}

void LuNumEditTest::typingOverSelectionAndTwoUndos()
{
    Form f;
    QVERIFY(f.show());
    f.box->setText(QStringLiteral("1234"));
    f.tabIn();
    QVERIFY(f.box->hasFocus());
    QCOMPARE(f.box->selLength(), 5); // entering selected "1,234"

    f.type(QStringLiteral("7"));
    QCOMPARE(f.box->text(), QStringLiteral("7"));
    QCOMPARE(f.changes->count(), 1);
    QCOMPARE(f.box->selLength(), 0);

    f.box->undo();
    QCOMPARE(f.box->text(), QString());
    f.box->undo();
    QCOMPARE(f.box->text(), QStringLiteral("7"));
    QCOMPARE(f.box->selLength(), 1);
    QCOMPARE(f.changes->count(), 3);
    QCOMPARE(f.beeps, 0);
}

void LuNumEditTest::backspaceOnSelectionWithoutChange()
{
    Form f;
    QVERIFY(f.show());
    f.tabIn();
    f.type(QStringLiteral("45"));
    QVERIFY(f.box->modified());
    f.changes->clear();
    QTest::keyClick(f.box, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(f.box->selLength(), 2);
    QTest::keyClick(f.box, Qt::Key_Backspace);
    QCOMPARE(f.box->text(), QString());
    QCOMPARE(f.changes->count(), 0);
    QVERIFY(!f.box->modified());
    // Delete on an unselected value drops the last character and notifies.
    f.box->setText(QStringLiteral("12.5"));
    QTest::keyClick(f.box, Qt::Key_Delete);
    QCOMPARE(f.box->text(), QStringLiteral("12"));
    QCOMPARE(f.changes->count(), 1);
}

void LuNumEditTest::widthRefusal_data()
{
    QTest::addColumn<bool>("errorBeep");
    QTest::newRow("with beep") << true;
    QTest::newRow("without beep") << false;
}

void LuNumEditTest::widthRefusal()
{
    QFETCH(bool, errorBeep);
    Form f;
    QVERIFY(f.show());
    f.box->setErrorBeep(errorBeep);
    f.box->setFixedWidth(50);
    f.tabIn();
    QVERIFY(f.box->hasFocus());
    for (int i = 0; i < 9; ++i)
        f.type(QStringLiteral("8"));
    const QString typed = f.box->text();
    // The digit limit (9) would allow more: the width refused them.
    QVERIFY(typed.size() < 9);
    QVERIFY(!typed.isEmpty());
    QVERIFY(f.box->textFits(typed));
    QVERIFY(!f.box->textFits(typed + QLatin1Char('8')));
    QCOMPARE(f.beeps, errorBeep ? 9 - int(typed.size()) : 0);
    QCOMPARE(f.changes->count(), typed.size());

    // Pasting is never measured.
    setClipboard(QStringLiteral("999"));
    QTest::keyClick(f.box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.box->text(), typed + QStringLiteral("999"));
    QVERIFY(!f.box->textFits(f.box->text()));
}

void LuNumEditTest::clipboardKeys_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("imageCopy");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QString>("clipboardAfter");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<int>("changes");

    QTest::newRow("copy nothing selected") << false << false << false << Qt::Key_C << "old" << "1234" << 0;
    QTest::newRow("copy value") << false << false << true << Qt::Key_C << "1234" << "1234" << 0;
    QTest::newRow("copy display") << false << true << true << Qt::Key_C << "1,234" << "1234" << 0;
    QTest::newRow("cut") << false << false << true << Qt::Key_X << "1234" << "" << 1;
    QTest::newRow("cut nothing selected") << false << false << false << Qt::Key_X << "old" << "1234" << 0;
    QTest::newRow("paste appends") << false << false << false << Qt::Key_V << "old" << "1234" << 1;
    QTest::newRow("read-only copy") << true << false << true << Qt::Key_C << "1234" << "1234" << 0;
    QTest::newRow("read-only cut") << true << false << true << Qt::Key_X << "old" << "1234" << 0;
    QTest::newRow("read-only paste") << true << false << false << Qt::Key_V << "old" << "1234" << 0;
}

void LuNumEditTest::clipboardKeys()
{
    QFETCH(bool, readOnly);
    QFETCH(bool, imageCopy);
    QFETCH(bool, selected);
    QFETCH(Qt::Key, key);
    QFETCH(QString, clipboardAfter);
    QFETCH(QString, textAfter);
    QFETCH(int, changes);

    Form f;
    QVERIFY(f.show());
    f.box->setText(QStringLiteral("1234"));
    f.box->setReadOnly(readOnly);
    f.box->setImageCopy(imageCopy);
    f.tabIn();
    if (!selected)
        QTest::keyClick(f.box, Qt::Key_End);
    QCOMPARE(f.box->selLength() != 0, selected);
    setClipboard(QStringLiteral("old"));
    QTest::keyClick(f.box, key, Qt::ControlModifier);
    QCOMPARE(clipboardText(), clipboardAfter);
    // "old" holds no digit: the paste filters it away and keeps the value.
    QCOMPARE(f.box->text(), textAfter);
    QCOMPARE(f.changes->count(), changes);
    QCOMPARE(f.beeps, 0);
    if (readOnly) {
        f.type(QStringLiteral("5-."));
        QCOMPARE(f.box->text(), QStringLiteral("1234"));
        QCOMPARE(f.beeps, 0);
    }
}

void LuNumEditTest::pasteFullWidthPrice()
{
    Form f;
    QVERIFY(f.show());
    f.tabIn();
    setClipboard(QStringLiteral("１,２３４円"));
    QTest::keyClick(f.box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.box->text(), QStringLiteral("1234"));
    QCOMPARE(f.box->valText(), QStringLiteral("1,234"));
    QCOMPARE(f.changes->count(), 1);
    QVERIFY(!f.box->modified());
    setClipboard(QStringLiteral("56"));
    QTest::keyClick(f.box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.box->text(), QStringLiteral("123456"));

    // A clipboard without text leaves everything alone.
    QGuiApplication::clipboard()->clear();
    f.changes->clear();
    QTest::keyClick(f.box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.box->text(), QStringLiteral("123456"));
    QCOMPARE(f.changes->count(), 0);
}

void LuNumEditTest::leavingWithLoneMinus()
{
    Form f;
    QVERIFY(f.show());
    f.tabIn();
    f.type(QStringLiteral("-"));
    QCOMPARE(f.box->text(), QStringLiteral("-"));
    QCOMPARE(f.changes->count(), 1);
    QTest::keyClick(f.box, Qt::Key_Tab);
    QVERIFY(f.after->hasFocus());
    QCOMPARE(f.box->text(), QString());
    QCOMPARE(f.box->valText(), QString());
    QCOMPARE(f.changes->count(), 1);
}

void LuNumEditTest::menuCaptions()
{
    TLuNumEdit box;
    const QStringList captions{"元に戻す(&U)", "-", "切り取り(&T)", "コピー(&C)",
                               "貼り付け(&P)", "削除(&D)", "-", "すべて選択(&A)"};
    QCOMPARE(box.editPopup()->actions().size(), 8);
    for (int tag = 0; tag < 8; ++tag) {
        QAction *item = box.editPopupItem(tag);
        QCOMPARE(item, box.editPopup()->actions().at(tag));
        QCOMPARE(item->data().toInt(), tag);
        QCOMPARE(item->isSeparator(), tag == 1 || tag == 6);
        QCOMPARE(item->text(), item->isSeparator() ? QString() : captions.at(tag));
    }
    QCOMPARE(box.editPopupItem(8), nullptr);
}

void LuNumEditTest::menuEnabledStates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<bool>("clipboardText");
    // Enabled states of undo, cut, copy, paste, delete, select all.
    QTest::addColumn<QList<bool>>("enabled");

    QTest::newRow("empty, fresh") << "" << false << false << false << false
                                  << QList<bool>{false, false, false, false, false, false};
    QTest::newRow("value, nothing selected") << "12" << false << false << false << true
                                             << QList<bool>{false, false, false, true, false, true};
    QTest::newRow("value selected") << "12" << true << false << false << true
                                    << QList<bool>{false, true, true, true, true, false};
    QTest::newRow("edited") << "12" << false << false << true << false
                            << QList<bool>{true, false, false, false, false, true};
    QTest::newRow("read-only selected") << "12" << true << true << true << true
                                        << QList<bool>{false, false, true, false, false, false};
}

void LuNumEditTest::menuEnabledStates()
{
    QFETCH(QString, text);
    QFETCH(bool, selected);
    QFETCH(bool, readOnly);
    QFETCH(bool, edited);
    QFETCH(bool, clipboardText);
    QFETCH(QList<bool>, enabled);

    Form f;
    QVERIFY(f.show());
    f.box->setAutoSelect(false);
    f.box->setText(text);
    f.tabIn();
    if (edited)
        f.type(QStringLiteral("3"));
    f.box->setReadOnly(readOnly);
    if (selected)
        f.box->selectAll();
    if (clipboardText)
        setClipboard(QStringLiteral("5"));
    else
        QGuiApplication::clipboard()->clear();

    QContextMenuEvent e(QContextMenuEvent::Keyboard, QPoint(5, 5), f.box->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(f.box, &e);
    QMenu *menu = f.box->editPopup();
    QTRY_VERIFY(menu->isVisible());
    const int tags[] = {0, 2, 3, 4, 5, 7};
    for (int i = 0; i < 6; ++i)
        QVERIFY2(f.box->editPopupItem(tags[i])->isEnabled() == enabled.at(i),
                 qPrintable(QStringLiteral("tag %1").arg(tags[i])));
    menu->close();
}

void LuNumEditTest::menuActions()
{
    Form f;
    QVERIFY(f.show());
    f.box->setText(QStringLiteral("1234"));
    f.tabIn();
    QVERIFY(f.box->selLength() != 0);

    f.box->editPopupItem(3)->trigger(); // copy
    QCOMPARE(clipboardText(), QStringLiteral("1234"));
    f.box->editPopupItem(5)->trigger(); // delete: no notice
    QCOMPARE(f.box->text(), QString());
    QCOMPARE(f.changes->count(), 0);
    f.box->editPopupItem(0)->trigger(); // undo
    QCOMPARE(f.box->text(), QStringLiteral("1234"));
    QCOMPARE(f.changes->count(), 1);
    f.box->clearSelect();
    f.box->editPopupItem(7)->trigger(); // select all
    QVERIFY(f.box->selLength() != 0);
    f.box->editPopupItem(2)->trigger(); // cut
    QCOMPARE(f.box->text(), QString());
    QCOMPARE(f.changes->count(), 2);
    f.box->editPopupItem(4)->trigger(); // paste
    QCOMPARE(f.box->text(), QStringLiteral("1234"));
    QCOMPARE(f.changes->count(), 3);
}

void LuNumEditTest::rightClickFocusesAndOpensMenu()
{
    Form f;
    QVERIFY(f.show());
    f.box->setText(QStringLiteral("12"));
    QSignalSpy entered(f.box, &TLuNumEdit::entered);
    QVERIFY(!f.box->hasFocus());
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 5), f.box->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(f.box, &e);
    QTRY_VERIFY(f.box->editPopup()->isVisible());
    QCOMPARE(entered.count(), 1);
    // Entering selected all, so selecting all is not offered.
    QVERIFY(!f.box->editPopupItem(7)->isEnabled());
    QVERIFY(f.box->editPopupItem(3)->isEnabled());
    f.box->editPopup()->close();
    QTRY_VERIFY(f.box->hasFocus());
    QCOMPARE(entered.count(), 1); // the popup closing is no new entry

    // Another menu replaces the built-in one; none opens nothing.
    QMenu own(f.box);
    f.box->setPopupMenu(&own);
    QApplication::sendEvent(f.box, &e);
    QTRY_VERIFY(own.isVisible());
    QVERIFY(!f.box->editPopup()->isVisible());
    own.close();
    f.box->setPopupMenu(nullptr);
    QContextMenuEvent again(QContextMenuEvent::Mouse, QPoint(5, 5), f.box->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(f.box, &again);
    QVERIFY(!again.isAccepted());
}

void LuNumEditTest::focusKeys_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<bool>("arrowFocusMove");
    QTest::addColumn<bool>("enterFocusMove");
    QTest::addColumn<QString>("focusAfter");
    QTest::addColumn<int>("beeps");

    QTest::newRow("up stays") << Qt::Key_Up << false << false << "box" << 0;
    QTest::newRow("up moves back") << Qt::Key_Up << true << false << "before" << 0;
    QTest::newRow("down stays") << Qt::Key_Down << false << true << "box" << 0;
    QTest::newRow("down moves on") << Qt::Key_Down << true << false << "after" << 0;
    QTest::newRow("enter beeps") << Qt::Key_Return << true << false << "box" << 1;
    QTest::newRow("enter moves on") << Qt::Key_Return << false << true << "after" << 0;
    QTest::newRow("keypad enter moves on") << Qt::Key_Enter << false << true << "after" << 0;
}

void LuNumEditTest::focusKeys()
{
    QFETCH(Qt::Key, key);
    QFETCH(bool, arrowFocusMove);
    QFETCH(bool, enterFocusMove);
    QFETCH(QString, focusAfter);
    QFETCH(int, beeps);

    Form f;
    QVERIFY(f.show());
    f.box->setArrowFocusMove(arrowFocusMove);
    f.box->setEnterFocusMove(enterFocusMove);
    f.box->setText(QStringLiteral("5"));
    f.tabIn();
    QVERIFY(f.box->hasFocus());
    QTest::keyClick(f.box, key);
    QWidget *expected = focusAfter == QLatin1String("before") ? static_cast<QWidget *>(f.before)
                        : focusAfter == QLatin1String("after") ? static_cast<QWidget *>(f.after)
                                                               : static_cast<QWidget *>(f.box);
    QCOMPARE(QApplication::focusWidget(), expected);
    QCOMPARE(f.beeps, beeps);
    QCOMPARE(f.box->text(), QStringLiteral("5"));
    if (key == Qt::Key_Up || key == Qt::Key_Down)
        QCOMPARE(f.box->selLength(), 0);
}

void LuNumEditTest::enterInDialog_data()
{
    QTest::addColumn<bool>("defaultButton");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("beeps");
    QTest::newRow("default button takes Enter") << true << 1 << 0;
    QTest::newRow("no default button: box beeps") << false << 0 << 1;
}

void LuNumEditTest::enterInDialog()
{
    QFETCH(bool, defaultButton);
    QFETCH(int, clicks);
    QFETCH(int, beeps);

    QDialog dialog;
    auto *layout = new QVBoxLayout(&dialog);
    auto *box = new TLuNumEdit(&dialog);
    auto *button = new QPushButton(QStringLiteral("OK"), &dialog);
    button->setAutoDefault(false);
    button->setDefault(defaultButton);
    layout->addWidget(box);
    layout->addWidget(button);
    int beeped = 0;
    box->setBeeper([&beeped] { ++beeped; });
    QSignalSpy clicked(button, &QPushButton::clicked);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    box->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(clicked.count(), clicks);
    QCOMPARE(beeped, beeps);
}

void LuNumEditTest::keyHooksRunFirst()
{
    Form f;
    QVERIFY(f.show());
    f.box->setEnterFocusMove(true);
    QList<int> seenKeys;
    f.box->setOnKeyDown([&](TLuNumEdit &sender, int &key, Qt::KeyboardModifiers) {
        QCOMPARE(&sender, f.box);
        seenKeys << key;
        if (key == Qt::Key_Down)
            key = 0; // consumed by the window
    });
    // The window's character handler turns Enter into nothing.
    f.box->setOnKeyPress([](TLuNumEdit &, QChar &c) {
        if (c == QLatin1Char('\r'))
            c = QChar();
        else if (c == QLatin1Char('x'))
            c = QLatin1Char('4');
    });
    f.box->setArrowFocusMove(true);
    f.tabIn();
    QTest::keyClick(f.box, Qt::Key_Return);
    QVERIFY(f.box->hasFocus());
    QTest::keyClick(f.box, Qt::Key_Down);
    QVERIFY(f.box->hasFocus());
    QVERIFY(seenKeys.contains(Qt::Key_Return));
    QVERIFY(seenKeys.contains(Qt::Key_Down));
    f.type(QStringLiteral("x"));
    QCOMPARE(f.box->text(), QStringLiteral("4"));
    QCOMPARE(f.beeps, 0);
}

void LuNumEditTest::quantityBox()
{
    Form f;
    f.box->setObjectName(QStringLiteral("LuNumEdit_KOSUU"));
    numedit::setUpQuantityBox(*f.box);
    f.box->setGeometry(10, 40, 35, 20);
    f.box->setTopMargin(2); // no longer follows the font
    QCOMPARE(f.box->size(), QSize(35, 20));
    QVERIFY(f.show());
    QVERIFY(!f.box->imeEnabled());
    f.tabIn();
    f.type(QStringLiteral("1234"));
    QCOMPARE(f.box->text(), QStringLiteral("123"));
    f.type(QStringLiteral("."));
    QCOMPARE(f.box->text(), QStringLiteral("123"));
    QCOMPARE(f.beeps, 0);
    QCOMPARE(f.changes->count(), 3);
    // The input method is off for this box: its text is not taken.
    f.box->setText(QString());
    f.commitFromInputMethod(QStringLiteral("５"));
    QCOMPARE(f.box->text(), QString());
    QCOMPARE(f.box->inputMethodQuery(Qt::ImEnabled).toBool(), false);
    f.box->setText(QStringLiteral("2.5"));
    QCOMPARE(f.box->text(), QStringLiteral("2"));
}

void LuNumEditTest::inputMethod()
{
    Form f;
    QVERIFY(f.show());
    f.tabIn();
    f.commitFromInputMethod(QStringLiteral("１２．５"));
    QCOMPARE(f.box->text(), QStringLiteral("12.5"));
    f.commitFromInputMethod(QStringLiteral("－"));
    QCOMPARE(f.box->text(), QStringLiteral("-12.5"));
    QCOMPARE(f.changes->count(), 5);
    f.commitFromInputMethod(QStringLiteral("あ"));
    QCOMPARE(f.beeps, 1);
    QCOMPARE(f.box->text(), QStringLiteral("-12.5"));
}

void LuNumEditTest::mouseSelection()
{
    Form f;
    QVERIFY(f.show());
    f.box->setText(QStringLiteral("1234"));
    QSignalSpy doubleClicks(f.box, &TLuNumEdit::doubleClicked);
    f.box->repaint(); // the drawn rectangle is where the text was last painted
    const QPoint inText = f.box->drawRect().center();

    // A click focuses (entering selects all) and then drops the selection.
    QTest::mouseClick(f.box, Qt::LeftButton, {}, inText);
    QVERIFY(f.box->hasFocus());
    QCOMPARE(f.box->selLength(), 0);

    QTest::mouseDClick(f.box, Qt::LeftButton, {}, inText);
    QCOMPARE(doubleClicks.count(), 1);
    QCOMPARE(f.box->selLength(), 5);
    // The next single click drops it again.
    QTest::mouseClick(f.box, Qt::LeftButton, {}, inText);
    QCOMPARE(f.box->selLength(), 0);

    // Dragging over the text selects all; outside the text it does not.
    QMouseEvent outside(QEvent::MouseMove, QPointF(f.box->drawRect().left() - 5, 5),
                        f.box->mapToGlobal(QPointF(0, 0)), Qt::NoButton, Qt::LeftButton,
                        Qt::NoModifier);
    QApplication::sendEvent(f.box, &outside);
    QCOMPARE(f.box->selLength(), 0);
    QMouseEvent over(QEvent::MouseMove, QPointF(inText), f.box->mapToGlobal(QPointF(inText)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.box, &over);
    QCOMPARE(f.box->selLength(), 5);
}

void LuNumEditTest::focusEnterAndExit()
{
    Form f;
    QVERIFY(f.show());
    QSignalSpy entered(f.box, &TLuNumEdit::entered);
    QSignalSpy exited(f.box, &TLuNumEdit::exited);
    f.box->setText(QStringLiteral("8"));
    f.box->setHideSelection(false);
    f.tabIn();
    QCOMPARE(entered.count(), 1);
    QCOMPARE(f.box->selLength(), 1);
    QTest::keyClick(f.box, Qt::Key_Tab);
    QCOMPARE(exited.count(), 1);
    QCOMPARE(f.box->selLength(), 1); // kept without HideSelection

    f.box->setHideSelection(true);
    f.box->setAutoSelect(false);
    f.box->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(f.box, Qt::Key_Tab);
    QCOMPARE(f.box->selLength(), 0);
    f.box->setFocus(Qt::OtherFocusReason);
    QCOMPARE(f.box->selLength(), 0); // no select on entering without AutoSelect
}

void LuNumEditTest::windowSwitchIsNoEntry()
{
    Form f;
    QSignalSpy entered(f.box, &TLuNumEdit::entered);
    QSignalSpy exited(f.box, &TLuNumEdit::exited);
    f.box->setText(QStringLiteral("12"));
    // A window that opens with the box focused enters it.
    f.box->setFocus(Qt::OtherFocusReason);
    f.window.show();
    f.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    QTRY_VERIFY(f.box->hasFocus());
    QCOMPARE(entered.count(), 1);
    QCOMPARE(f.box->selLength(), 2);

    // Another window taking the focus and giving it back is neither exit nor entry.
    f.box->clearSelect();
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(f.box, &out);
    QFocusEvent in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(f.box, &in);
    QCOMPARE(entered.count(), 1);
    QCOMPARE(exited.count(), 0);
    QCOMPARE(f.box->selLength(), 0);

    // The public focus moves follow the tab order.
    f.box->focusNextControl();
    QVERIFY(f.after->hasFocus());
    QCOMPARE(exited.count(), 1);
    f.after->setFocus(Qt::OtherFocusReason);
    f.box->setFocus(Qt::OtherFocusReason);
    f.box->focusPreviousControl();
    QVERIFY(f.before->hasFocus());
    QCOMPARE(entered.count(), 2);
}

void LuNumEditTest::exactModifiers()
{
    Form f;
    QVERIFY(f.show());
    f.box->setAutoSelect(false);
    f.box->setText(QStringLiteral("12"));
    f.tabIn();
    QTest::keyClick(f.box, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(f.box->selLength(), 0);
    QTest::keyClick(f.box, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(f.box->selLength(), 2);
    QTest::keyClick(f.box, Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier);
    QCOMPARE(f.box->selLength(), 2);
    QTest::keyClick(f.box, Qt::Key_Home);
    QCOMPARE(f.box->selLength(), 0);
    QTest::keyClick(f.box, Qt::Key_Backspace, Qt::ShiftModifier);
    QCOMPARE(f.box->text(), QStringLiteral("12")); // only a plain Backspace deletes
    QTest::keyClick(f.box, Qt::Key_5, Qt::ControlModifier);
    QCOMPARE(f.box->text(), QStringLiteral("12")); // Ctrl with a digit types nothing
    QCOMPARE(f.beeps, 0);
    QTest::keyClick(f.box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.box->text(), QStringLiteral("12")); // no undo key: the code beeps
    QCOMPARE(f.beeps, 1);
}

void LuNumEditTest::sizing()
{
    QWidget window;
    auto *box = new TLuNumEdit(&window);
    QCOMPARE(box->height(), box->fontHeight() + 2 + 2 + 4);
    box->setTopMargin(5);
    QCOMPARE(box->height(), box->fontHeight() + 5 + 2 + 4);
    box->setBorderStyle(TLuNumEdit::TBorderStyle::bsNone);
    QCOMPARE(box->height(), box->fontHeight() + 5 + 2);
    QFont big = box->font();
    big.setPixelSize(30);
    big.setBold(true);
    box->setFont(big);
    QCOMPARE(box->fontHeight(), QFontMetrics(big).height());
    QCOMPARE(box->height(), box->fontHeight() + 5 + 2);
    box->setAutoSize(false);
    box->resize(121, 20);
    box->setTopMargin(1);
    QCOMPARE(box->height(), 20);
    // Width available for the display: client less margins and the border twice.
    box->setBorderStyle(TLuNumEdit::TBorderStyle::bsSingle);
    QCOMPARE(box->availableWidth(), 121 - 4 - 2 - 2 - 4);
    box->setCtl3D(false);
    QCOMPARE(box->availableWidth(), 121 - 2 - 2 - 2 - 2);
}

void LuNumEditTest::caretStandsAfterTypedText()
{
    Form f;
    QVERIFY(f.show());
    f.box->setRightMark(QStringLiteral("円"));
    f.tabIn();
    f.type(QStringLiteral("1234"));
    f.box->grab(); // paints, so the drawn rectangle is current
    const QFontMetrics fm(f.box->font());
    const QRect drawn = f.box->drawRect();
    QCOMPARE(drawn.width(), fm.horizontalAdvance(QStringLiteral("1,234円")));
    // Before the unit mark.
    QCOMPARE(f.box->caretPosition(), drawn.topLeft() + QPoint(fm.horizontalAdvance("1,234"), 0));
    QCOMPARE(f.box->inputMethodQuery(Qt::ImCursorRectangle).toRect().topLeft(),
             f.box->caretPosition());

    f.box->setRightMark(QString());
    f.box->setDecimalLength(2);
    f.box->setDecimalFixed(true);
    f.type(QStringLiteral(".5"));
    f.box->grab();
    // Before the zero that the fixed decimals add.
    QCOMPARE(f.box->caretPosition().x(),
             f.box->drawRect().left() + fm.horizontalAdvance("1,234") + fm.horizontalAdvance(".5"));
}

QTEST_MAIN(LuNumEditTest)
#include "lunumedit_test.moc"
