#include "pastebox.h"

#include <QTextCursor>

PasteBox::PasteBox(QWidget *parent) : QPlainTextEdit(parent)
{
    connect(this, &QPlainTextEdit::textChanged, this, [this] { m_used = false; });
}

void PasteBox::markUsed()
{
    m_used = true;
}

void PasteBox::showRange(int from, int to)
{
    QTextCursor cursor(document());
    cursor.setPosition(qBound(0, to, document()->characterCount() - 1));
    setTextCursor(cursor);
    ensureCursorVisible();
    cursor.setPosition(qBound(0, from, document()->characterCount() - 1));
    setTextCursor(cursor);
    ensureCursorVisible();
}

void PasteBox::insertFromMimeData(const QMimeData *source)
{
    if (m_used) {
        // The pasted text takes the place of the whole used text in one edit.
        QTextCursor all(document());
        all.select(QTextCursor::Document);
        setTextCursor(all);
    }
    QPlainTextEdit::insertFromMimeData(source);
}

QString PasteBox::hintText(bool smart)
{
    return smart ? QStringLiteral("↑↑ここに注文メールを丸ごと貼り付けてください（行数の制限はありません）↑↑")
                 : QStringLiteral("↑↑ここクリップボードから貼り付けが、可能です　(　15行以内に収めてください　)↑↑");
}

QString PasteBox::toolTipText(bool smart)
{
    return smart ? QStringLiteral("注文メールや注文画面を丸ごと貼り付けると、お届け先を探して転送します。"
                                  "転送した後に貼り付けた文章は、次の注文として前の文章と置き換わります（Ctrl+Z で戻せます）")
                 : QStringLiteral("ここにお届け先の住所、お名前等のテキストを貼り付けると、お届け先欄に"
                                  "転送が可能です　(15行以内に収まるようにして下さい)");
}

QString PasteBox::helpText(bool smart)
{
    return smart ? QStringLiteral("注文メールを丸ごと貼り付けてください。次の注文は、転送した文章に重ねて貼り付けられます")
                 : QStringLiteral("テキストを貼り付けることができます　７行以内に収めてください");
}
