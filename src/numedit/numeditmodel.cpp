#include "numedit/numeditmodel.h"

namespace numedit {

NumEditModel::NumEditModel()
{
    reformat();
}

void NumEditModel::refilter()
{
    m_text = filterText(m_text, m_format);
    reformat();
}

void NumEditModel::reformat()
{
    m_valText = formatText(m_text, m_format);
    // A selection always spans the whole display.
    if (m_selLength != 0)
        m_selLength = int(m_valText.size());
}

bool NumEditModel::setText(const QString &v)
{
    if (v == m_text)
        return false;
    m_text = valueOf(v, m_format);
    reformat();
    return true;
}

bool NumEditModel::setIntegerLength(int length)
{
    if (length < 0 || length == m_format.integerLength)
        return false;
    m_format.integerLength = length;
    refilter();
    return true;
}

bool NumEditModel::setDecimalLength(int length)
{
    if (length < 0 || length == m_format.decimalLength)
        return false;
    m_format.decimalLength = length;
    refilter();
    return true;
}

bool NumEditModel::setMinus(bool minus)
{
    if (minus == m_format.minus)
        return false;
    m_format.minus = minus;
    refilter();
    return true;
}

bool NumEditModel::setComma(bool comma)
{
    if (comma == m_format.comma)
        return false;
    m_format.comma = comma;
    reformat();
    return true;
}

bool NumEditModel::setDecimalFixed(bool fixed)
{
    if (fixed == m_format.decimalFixed)
        return false;
    m_format.decimalFixed = fixed;
    reformat();
    return true;
}

bool NumEditModel::setLeftMark(const QString &mark)
{
    if (mark == m_format.leftMark)
        return false;
    m_format.leftMark = mark;
    reformat();
    return true;
}

bool NumEditModel::setRightMark(const QString &mark)
{
    if (mark == m_format.rightMark)
        return false;
    m_format.rightMark = mark;
    reformat();
    return true;
}

void NumEditModel::saveUndo()
{
    m_undoBuffer = m_text;
    m_canUndo = true;
}

void NumEditModel::commit(const QString &t)
{
    saveUndo();
    m_text = t;
    reformat();
    m_modified = true;
}

void NumEditModel::clear()
{
    saveUndo();
    m_text.clear();
    reformat();
    clearSelect();
    m_modified = false;
}

NumEditModel::Outcome NumEditModel::typeCharacter(QChar c, const FitsTest &fits)
{
    if (c == QLatin1Char('-'))
        return toggleMinus(fits);
    if (c == QLatin1Char('.'))
        return insertPoint(fits);
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return insertDigit(c, fits);
    return Outcome::Refused;
}

NumEditModel::Outcome NumEditModel::insertDigit(QChar c, const FitsTest &fits)
{
    if (allSelected())
        clear();
    const qsizetype point = m_text.indexOf(QLatin1Char('.'));
    const qsizetype sign = m_text.contains(QLatin1Char('-')) ? 1 : 0;
    const qsizetype intDigits = (point >= 0 ? point : m_text.size()) - sign;
    const qsizetype decDigits = point >= 0 ? m_text.size() - point - 1 : 0;
    const bool allowed = (m_format.decimalLength > 0 && point >= 0)
                             ? decDigits < m_format.decimalLength
                             : intDigits < m_format.integerLength;
    if (!allowed)
        return Outcome::Refused;
    const QString t = trimZeros(m_text + c);
    if (!fits(t))
        return Outcome::Refused;
    commit(t);
    return Outcome::Committed;
}

NumEditModel::Outcome NumEditModel::insertPoint(const FitsTest &fits)
{
    if (m_format.decimalLength == 0)
        return Outcome::Refused;
    if (allSelected())
        clear();
    if (m_text.contains(QLatin1Char('.')))
        return Outcome::Refused;
    const QString t = m_text + QLatin1Char('.');
    if (!fits(t))
        return Outcome::Refused;
    commit(trimZeros(t));
    return Outcome::Committed;
}

NumEditModel::Outcome NumEditModel::toggleMinus(const FitsTest &fits)
{
    if (!m_format.minus)
        return Outcome::Refused;
    if (allSelected())
        clear();
    if (m_text.contains(QLatin1Char('-'))) {
        QString t = m_text;
        t.remove(QLatin1Char('-'));
        commit(t);
        return Outcome::Committed;
    }
    const QString t = QLatin1Char('-') + m_text;
    if (!fits(t))
        return Outcome::Refused;
    commit(t);
    return Outcome::Committed;
}

NumEditModel::Outcome NumEditModel::deleteLast()
{
    if (m_text.isEmpty())
        return Outcome::Ignored;
    if (allSelected()) {
        clear();
        return Outcome::Ignored;
    }
    QString t = m_text.chopped(1);
    if (t.endsWith(QLatin1Char('.')))
        t.chop(1);
    commit(t);
    return Outcome::Committed;
}

std::optional<QString> NumEditModel::copyText(bool imageCopy) const
{
    if (!allSelected())
        return std::nullopt;
    return imageCopy ? m_valText : m_text;
}

std::optional<QString> NumEditModel::cut(bool imageCopy)
{
    auto copied = copyText(imageCopy);
    if (copied)
        clear();
    return copied;
}

void NumEditModel::paste(const QString &s)
{
    saveUndo();
    m_text = allSelected() ? filterText(s, m_format) : filterText(m_text + s, m_format);
    m_text = trimZeros(m_text);
    reformat();
    clearSelect();
}

NumEditModel::Outcome NumEditModel::undo()
{
    if (!m_canUndo)
        return Outcome::Ignored;
    std::swap(m_text, m_undoBuffer);
    reformat();
    selectAll();
    return Outcome::Committed;
}

void NumEditModel::clearUndo()
{
    m_undoBuffer.clear();
    m_canUndo = false;
}

bool NumEditModel::leave()
{
    if (m_text != QLatin1String("-"))
        return false;
    m_text.clear();
    reformat();
    return true;
}

} // namespace numedit
