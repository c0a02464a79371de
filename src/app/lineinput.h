#pragma once

#include <QString>
#include <QValidator>

class QLineEdit;

namespace app {

// What a one-line box keeps of an edit, as desktop line edits do: the text holds no line
// break (a pasted text ends at its first break, breaks around it are dropped), and a
// typed or pasted text is cut where the box's character limit is reached.
struct KeptEdit
{
    QString text;
    int cursor = 0;
};

// `before` is the box's text before the edit, `after` the text the edit made and `cursor`
// the caret after it, at the end of what was inserted. `limit` 0 means no limit; the
// limit cuts only what the edit inserted, so a longer text the program set stays.
KeptEdit keptEdit(const QString &before, const QString &after, int cursor, int limit, bool userEdit);

// The validator of a one-line box that applies keptEdit() to every change of its text.
// The program's own texts (setText: a stored value, a transferred name) lose their line
// breaks too but are not cut to the limit.
class LineInput final : public QValidator
{
public:
    LineInput(QLineEdit *edit, int limit);

    State validate(QString &input, int &pos) const override;

private:
    QLineEdit *m_edit;
    int m_limit;
    QString m_before; // the text the box held before the edit being checked
};

} // namespace app
