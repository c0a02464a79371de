#pragma once

#include "slip/printerbinding.h"
#include "slip/sliprecord.h"
#include "slip/slipfield.h"
#include "slip/slippage.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

namespace printing {

using slip::PrinterBinding;
using slip::SlipRecord;
using slip::SlipField;
using slip::SlipPageSetup;

// The printer page a slip is previewed on, as the current paper feed's printer
// reports it; all sizes in the printer's dots.
struct PreviewPage
{
    int dpiX = 180;          // effective resolution, which places the layout
    int dpiY = 180;
    int fontDpi = 180;       // the printer's own resolution, which sizes the fonts
    QSize paper{1488, 2105}; // the whole sheet
    QRect printable{0, 0, 1488, 2105}; // the printable area within the sheet

    friend bool operator==(const PreviewPage &, const PreviewPage &) = default;
};

// Shows one slip as it will be printed: the sheet, its printable area, a schematic
// drawing of the form, and the slip's texts drawn by the same code as the print,
// in printer dots scaled to the screen. Texts that run past their frame are red.
class SlipPreview : public QWidget
{
    Q_OBJECT
public:
    enum class Zoom { Fit, Actual, Double };

    explicit SlipPreview(QWidget *parent = nullptr);

    // Each setter schedules one repaint; several changes in one event-loop turn
    // are painted once.
    void setSlip(const SlipRecord &slip);
    void setBinding(const PrinterBinding &binding);
    void setPage(const PreviewPage &page);
    void setZoom(Zoom zoom);

    const SlipRecord &slip() const { return m_slip; }
    const PrinterBinding &binding() const { return m_binding; }
    const PreviewPage &page() const { return m_page; }
    Zoom zoom() const { return m_zoom; }
    // The fields that run past their frames; empty also when the margins are bad.
    const QList<SlipField> &overflowing() const { return m_overflowing; }
    // The problem with the margins, if they are not whole numbers.
    const QString &marginError() const { return m_marginError; }

    // Draws the whole sheet on a painter whose coordinates are the sheet's dots: the
    // form's frames (with the margins, as the calibration sheet draws them) when
    // `withForm` is set, then the slip's texts.
    void paintSheet(QPainter &painter, bool withForm = true) const;
    // Sheet dots to widget pixels at the current zoom.
    QTransform sheetTransform() const;
    // Screen pixels per sheet dot at the current zoom.
    double scale() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    // The fields that run past their frames changed.
    void overflowChanged(const QList<SlipField> &fields);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void refresh();

    SlipRecord m_slip;
    PrinterBinding m_binding;
    PreviewPage m_page;
    Zoom m_zoom = Zoom::Fit;
    QList<SlipField> m_overflowing;
    QString m_marginError;
};

} // namespace printing
