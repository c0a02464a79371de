#include "slip/slipcanvas.h"

#include <QFontMetrics>
#include <QPainter>

namespace slip {

PainterCanvas::PainterCanvas(QPainter *painter, int fontDpi)
    : m_painter(painter)
    , m_fontDpi(fontDpi)
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
    const int deviceDpi = m_painter->device() ? m_painter->device()->logicalDpiY() : 0;
    if (m_fontDpi <= 0 || deviceDpi <= 0 || m_fontDpi == deviceDpi)
        m_font.setPointSize(points);
    else
        m_font.setPointSizeF(points * double(m_fontDpi) / deviceDpi);
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
    // The text cell is filled with the brush colour first, so that a text covers
    // whatever lies under it on the page.
    m_painter->fillRect(cell, m_brushColor);
    m_painter->setPen(m_marked.contains(m_field) ? QColor(Qt::red) : m_fontColor);
    m_painter->drawText(QPoint(x, y + metrics.ascent()), text);
    m_painter->restore();
}

} // namespace slip
