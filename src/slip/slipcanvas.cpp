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

void PainterCanvas::setFontSize(double points)
{
    const int deviceDpi = m_painter->device() ? m_painter->device()->logicalDpiY() : 0;
    if (m_fontDpi <= 0 || deviceDpi <= 0 || m_fontDpi == deviceDpi)
        m_font.setPointSizeF(points);
    else
        m_font.setPointSizeF(points * double(m_fontDpi) / deviceDpi);
}

int PainterCanvas::fontDpi() const
{
    if (m_fontDpi > 0)
        return m_fontDpi;
    return m_painter->device() ? m_painter->device()->logicalDpiY() : 0;
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

    m_painter->save();
    m_painter->setFont(m_font);
    // No background: a text that runs into another field must not blank it. What runs
    // past the frame is cut there (and named by the fit rule) instead of printing over
    // the next field.
    if (m_clipRight >= 0) {
        const int tall = 4 * metrics.height();
        m_painter->setClipRect(QRect(QPoint(qMin(x, m_clipRight) - tall, y - tall), QPoint(m_clipRight - 1, y + 2 * tall)),
                               Qt::IntersectClip);
    }
    m_painter->setPen(m_marked.contains(m_field) ? QColor(Qt::red) : m_fontColor);
    m_painter->drawText(QPoint(x, y + metrics.ascent()), text);
    m_painter->restore();
}

} // namespace slip
