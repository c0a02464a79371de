#pragma once

#include "printing/slippreview.h"

#include <QString>
#include <QWidget>

class QCheckBox;
class QPushButton;
class QScrollArea;

namespace printing {

// The preview window: the slip preview with its zoom buttons and a button that writes
// the previewed sheet as a PDF file. Not modal; the main window keeps it up to date.
class SlipPreviewWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SlipPreviewWindow(QWidget *parent = nullptr);

    SlipPreview *preview() const { return m_preview; }
    void setZoom(SlipPreview::Zoom zoom);

    // Writes the sheet as one PDF page into `folder` (a new file 「preview-」 and the date
    // and time, so it is never taken for a printed job) and returns the file's path. The
    // form's frames are left out, so the file can be printed on a form, unless
    // formButton is ticked. Raises platform::Error when no file can be written.
    QString writePdf(const QString &folder) const;

    QPushButton *fitButton = nullptr;
    QPushButton *actualButton = nullptr;
    QPushButton *doubleButton = nullptr;
    QPushButton *pdfButton = nullptr;
    QCheckBox *formButton = nullptr; // 「枠も出力」

Q_SIGNALS:
    // The PDF button was clicked; the window decides where the file goes.
    void pdfRequested();

private:
    SlipPreview *m_preview = nullptr;
    QScrollArea *m_scroll = nullptr;
};

} // namespace printing
