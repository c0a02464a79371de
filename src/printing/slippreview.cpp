#include "printing/slippreview.h"

#include "slip/slipform.h"
#include "slip/slipgeometry.h"
#include "slip/slippage.h"

#include "platform/error.h"

#include <QPaintEvent>
#include <QPainter>

namespace printing {

namespace {

constexpr int kFitMargin = 8; // pixels around the sheet at "fit"

} // namespace

SlipPreview::SlipPreview(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("SlipPreview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SlipPreview::setSlip(const SlipRecord &slip)
{
    m_slip = slip;
    refresh();
}

void SlipPreview::setBinding(const PrinterBinding &binding)
{
    m_binding = binding;
    refresh();
}

void SlipPreview::setPage(const PreviewPage &page)
{
    if (page == m_page)
        return;
    m_page = page;
    updateGeometry();
    refresh();
}

void SlipPreview::setZoom(Zoom zoom)
{
    m_zoom = zoom;
    updateGeometry();
    if (zoom != Zoom::Fit)
        resize(sizeHint());
    update();
}

void SlipPreview::refresh()
{
    QList<SlipField> overflowing;
    m_marginError.clear();
    try {
        overflowing = slip::overflowingFields(m_slip, {m_page.dpiX, m_page.dpiY, m_binding, m_page.fontDpi, {}});
    } catch (const platform::Error &error) {
        m_marginError = error.message();
    }
    if (overflowing != m_overflowing) {
        m_overflowing = overflowing;
        Q_EMIT overflowChanged(m_overflowing);
    }
    update(); // queued: many changes in one turn paint once
}

double SlipPreview::scale() const
{
    const double actual = logicalDpiX() / double(qMax(1, m_page.dpiX));
    switch (m_zoom) {
    case Zoom::Actual:
        return actual;
    case Zoom::Double:
        return 2 * actual;
    case Zoom::Fit:
        break;
    }
    const QSizeF room = QSizeF(size()) - QSizeF(2 * kFitMargin, 2 * kFitMargin);
    if (m_page.paper.isEmpty() || room.isEmpty())
        return actual;
    return qMin(room.width() / m_page.paper.width(), room.height() / m_page.paper.height());
}

QTransform SlipPreview::sheetTransform() const
{
    const double s = scale();
    const QSizeF sheet = QSizeF(m_page.paper) * s;
    // Centred when there is room, else from the top-left corner.
    const double left = qMax<double>(kFitMargin, (width() - sheet.width()) / 2);
    const double top = qMax<double>(kFitMargin, (height() - sheet.height()) / 2);
    return QTransform(s, 0, 0, s, left, top);
}

QSize SlipPreview::sizeHint() const
{
    if (m_zoom == Zoom::Fit)
        return QSize(480, 640);
    const double s = scale();
    return (QSizeF(m_page.paper) * s).toSize() + QSize(2 * kFitMargin, 2 * kFitMargin);
}

void SlipPreview::paintSheet(QPainter &painter, bool withForm) const
{
    painter.save();
    painter.fillRect(QRect(QPoint(0, 0), m_page.paper), Qt::white);
    QPen dashed(QColor(0x90, 0x90, 0x90));
    dashed.setStyle(Qt::DashLine);
    dashed.setCosmetic(true);
    painter.setBrush(Qt::NoBrush);
    if (withForm) {
        // The printable area, dashed: nothing outside it reaches the paper.
        painter.setPen(dashed);
        painter.drawRect(m_page.printable);
    }

    // Everything else is drawn from the printable area's top-left corner, the
    // origin of the printer's canvas.
    painter.translate(m_page.printable.topLeft());
    if (withForm && m_marginError.isEmpty()) {
        // The form where the texts are judged against it: shifted by the margins like the
        // texts, so a text is red exactly when it visibly crosses its frame.
        QPen form(QColor(0xd0, 0x60, 0x30));
        form.setCosmetic(true);
        painter.setPen(form);
        slip::drawSlipForm(painter, slip::SlipGeometry(m_page.dpiX, m_page.dpiY, m_binding.topMargin,
                                                       m_binding.leftMargin), true);
    }

    if (m_marginError.isEmpty()) {
        SlipPageSetup setup{m_page.dpiX, m_page.dpiY, m_binding, m_page.fontDpi, {}};
        for (const SlipField field : m_overflowing)
            setup.marked.insert(field);
        slip::drawSlipPage(painter, m_slip, setup);
    }
    painter.restore();
}

void SlipPreview::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Dark));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setTransform(sheetTransform());
    paintSheet(painter);
}

} // namespace printing
