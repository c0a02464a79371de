#include "slipcanvas.h"

#include <QFontMetrics>
#include <QPainter>

namespace printing {

PainterCanvas::PainterCanvas(QPainter *painter)
    : m_painter(painter)
{
    Q_ASSERT(painter);
    // Text is positioned by its own cell; kerning or hinting must not move it.
    m_font.setHintingPreference(QFont::PreferNoHinting);
}

void PainterCanvas::setFontName(const QString &name)
{
    m_font.setFamily(name);
}

void PainterCanvas::setFontSize(int points)
{
    m_font.setPointSize(points);
}

void PainterCanvas::setFontColor(const QColor &color)
{
    m_fontColor = color;
}

void PainterCanvas::setBrushColor(const QColor &color)
{
    m_brushColor = color;
}

void PainterCanvas::textOut(int x, int y, const QString &text)
{
    if (text.isEmpty())
        return;
    // Measured on the painter's device so that points mean the printer's points.
    const QFontMetrics metrics(m_font, m_painter->device());
    const QRect cell(x, y, metrics.horizontalAdvance(text), metrics.height());

    m_painter->save();
    m_painter->setFont(m_font);
    // The opaque background of the text cell, as the original canvas draws it.
    m_painter->fillRect(cell, m_brushColor);
    m_painter->setPen(m_fontColor);
    m_painter->drawText(QPoint(x, y + metrics.ascent()), text);
    m_painter->restore();
}

} // namespace printing
