#pragma once

#include "slip/slipfield.h"

#include <QColor>
#include <QFont>
#include <QSet>
#include <QString>

class QPainter;

namespace slip {

// The few canvas operations the slip layout needs. The font and brush are a running
// state: each setter changes one attribute and leaves the others as they are.
class SlipCanvas
{
public:
    virtual ~SlipCanvas() = default;

    virtual void setFontName(const QString &name) = 0;
    // Points may be fractional: the fit rule draws a long text smaller.
    virtual void setFontSize(double points) = 0;
    virtual void setFontColor(const QColor &color) = 0;
    virtual void setBrushColor(const QColor &color) = 0;
    // Draws the text in one line with the top-left corner of its text cell at (x, y),
    // device units, on a transparent background: a text never covers another one.
    virtual void textOut(int x, int y, const QString &text) = 0;
    // The texts that follow are cut at this x (device units), the right edge of their
    // field's frame; -1 lifts the cut. Canvases that do not draw ignore it.
    virtual void setClipRight(int x) { Q_UNUSED(x); }
    // The resolution at which point sizes become dots on this canvas; 0 when the canvas
    // does not know (the layout then takes its vertical resolution).
    virtual int fontDpi() const { return 0; }
    // Names the field whose texts follow, so that a canvas may judge them against the
    // field's frame on the form. Canvases that do not care ignore it.
    virtual void setField(SlipField field) { Q_UNUSED(field); }
};

// A SlipCanvas on a QPainter, normally the printer's. Sizes in points are turned
// into device pixels through the painter's device, so the same layout fits any
// printer resolution.
class PainterCanvas final : public SlipCanvas
{
public:
    // The painter must stay valid while the canvas is used; it is not owned.
    // `fontDpi` is the resolution at which point sizes become dots; 0 takes the
    // painter's device, as on the printer. A preview that draws in printer dots on a
    // screen passes the printer's resolution, so its texts have their printed size.
    explicit PainterCanvas(QPainter *painter, int fontDpi = 0);

    void setFontName(const QString &name) override;
    void setFontSize(double points) override;
    void setFontColor(const QColor &color) override;
    void setBrushColor(const QColor &color) override;
    void textOut(int x, int y, const QString &text) override;
    void setField(SlipField field) override { m_field = field; }
    void setClipRight(int x) override { m_clipRight = x; }
    int fontDpi() const override;

    // Texts of these fields are drawn in red (the preview's overflow warning).
    void setMarkedFields(const QSet<SlipField> &fields) { m_marked = fields; }

    const QFont &font() const { return m_font; }

private:
    QPainter *m_painter;
    int m_fontDpi;
    SlipField m_field = SlipField::None;
    QSet<SlipField> m_marked;
    QFont m_font;
    QColor m_fontColor = Qt::black;
    QColor m_brushColor = Qt::white;
    int m_clipRight = -1;
};

} // namespace slip
