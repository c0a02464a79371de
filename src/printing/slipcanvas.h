#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QPainter;

namespace printing {

// The few canvas operations the slip layout needs. The font and brush are a running
// state: each setter changes one attribute and leaves the others as they are.
class SlipCanvas
{
public:
    virtual ~SlipCanvas() = default;

    virtual void setFontName(const QString &name) = 0;
    virtual void setFontSize(int points) = 0;
    virtual void setFontColor(const QColor &color) = 0;
    virtual void setBrushColor(const QColor &color) = 0;
    // Draws the text in one line with the top-left corner of its text cell at (x, y),
    // device units, on an opaque background of the brush colour.
    virtual void textOut(int x, int y, const QString &text) = 0;
};

// A SlipCanvas on a QPainter, normally the printer's. Sizes in points are turned
// into device pixels through the painter's device, so the same layout fits any
// printer resolution.
class PainterCanvas final : public SlipCanvas
{
public:
    // The painter must stay valid while the canvas is used; it is not owned.
    explicit PainterCanvas(QPainter *painter);

    void setFontName(const QString &name) override;
    void setFontSize(int points) override;
    void setFontColor(const QColor &color) override;
    void setBrushColor(const QColor &color) override;
    void textOut(int x, int y, const QString &text) override;

    const QFont &font() const { return m_font; }

private:
    QPainter *m_painter;
    QFont m_font;
    QColor m_fontColor = Qt::black;
    QColor m_brushColor = Qt::white;
};

} // namespace printing
