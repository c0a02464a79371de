#include "lineinput.h"

#include <QLineEdit>

namespace app {

namespace {

bool isBreak(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'\r' || u == u'\n' || u == 0x2028 || u == 0x2029;
}

// Each break (CR LF counting as one) becomes one blank.
QString breaksToBlanks(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isBreak(text.at(i))) {
            out += text.at(i);
            continue;
        }
        if (text.at(i) == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        out += QLatin1Char(' ');
    }
    return out;
}

} // namespace

KeptEdit keptEdit(const QString &before, const QString &after, int cursor, int limit, bool userEdit)
{
    cursor = qBound(0, cursor, int(after.size()));
    qsizetype same = 0;
    while (same < cursor && same < before.size() && before.at(same) == after.at(same))
        ++same;
    const QString head = breaksToBlanks(QStringView(after).first(same));
    const QString tail = breaksToBlanks(QStringView(after).sliced(cursor));
    QStringView inserted = QStringView(after).sliced(same, cursor - same);

    // A copied line brings its line end, a copied block more lines: keep its first line.
    while (!inserted.isEmpty() && isBreak(inserted.front()))
        inserted = inserted.sliced(1);
    for (qsizetype i = 0; i < inserted.size(); ++i) {
        if (isBreak(inserted.at(i))) {
            inserted = inserted.first(i);
            break;
        }
    }

    const qsizetype length = head.size() + inserted.size() + tail.size();
    if (userEdit && limit > 0 && length > limit && length > before.size()) {
        qsizetype room = qMax<qsizetype>(limit - head.size() - tail.size(), 0);
        if (room > 0 && room < inserted.size() && inserted.at(room - 1).isHighSurrogate())
            --room; // a character is never cut in half
        inserted = inserted.first(qMin(room, inserted.size()));
    }
    return {head + inserted.toString() + tail, int(head.size() + inserted.size())};
}

LineInput::LineInput(QLineEdit *edit, int limit) : QValidator(edit), m_edit(edit), m_limit(limit)
{
    m_before = edit->text();
    connect(edit, &QLineEdit::textChanged, this, [this](const QString &text) { m_before = text; });
}

QValidator::State LineInput::validate(QString &input, int &pos) const
{
    // QLineEdit::setText starts a new undo history, so inside it the box reads as not
    // modified; an edit of the user always is.
    const bool userEdit = m_edit->isModified();
    const KeptEdit kept = keptEdit(m_before, input, pos, m_limit, userEdit);
    if (userEdit && kept.text == m_before && input != m_before)
        return Invalid; // nothing of the edit is kept: the box undoes it, its history whole
    input = kept.text;
    pos = kept.cursor;
    return Acceptable;
}

} // namespace app
