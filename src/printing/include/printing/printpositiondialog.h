#pragma once

#include <QDialog>
#include <QSize>
#include <QString>

#include <functional>

#include "slip/printerbinding.h"
#include "jobs/printjob.h"

class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace numedit {
class TLuNumEdit;
} // namespace numedit

namespace printing {

using slip::PrinterBinding;
using jobs::EffectiveResolution;

class PrinterRegistration;

inline const QString kMarginQuestion = QStringLiteral("印字位置調整の余白を登録しますか?");

// The print-position dialog "印字位置調整": the top and left margins of the current
// paper feed are typed and registered here. Made once with the main window and
// shown modally each time; every showing starts from the binding's margins.
// Closing it any other way than by the register button changes nothing.
class TForm_SLIP97YPrn : public QDialog
{
    Q_OBJECT
public:
    // `currentFeed` gives the paper feed's item text at the time of registering.
    TForm_SLIP97YPrn(PrinterRegistration &registration, std::function<QString()> currentFeed,
                     QWidget *parent = nullptr);

    // Runs whenever the dialog is shown: outer size 190 x 160, centred on the window
    // that opened it, the binding's margins in the boxes, the focus on the top one.
    void FormShow();
    void FormClose();
    // Enter moves on from the top box; Enter and Up move on from the left one.
    void LuNumEdit_TOPKeyDown(numedit::TLuNumEdit &sender, int &key, Qt::KeyboardModifiers shift);
    void LuNumEdit_LEFTKeyDown(numedit::TLuNumEdit &sender, int &key, Qt::KeyboardModifiers shift);
    // Asks, registers both margins for the current feed and closes; any answer but
    // Yes leaves the dialog open with the typed values.
    void BitBtn_MRGNClick();

    // The feed printer's effective resolution, read at each showing: it converts the
    // margins between dots (what the binding keeps) and millimetres.
    void setResolutionSource(std::function<EffectiveResolution()> source);
    // Prints the calibration sheet with the given margins (the typed ones).
    void setCalibrationPrinter(std::function<void(const PrinterBinding &)> print);
    // Prints the calibration sheet with the margins now in the boxes.
    void BitBtn_CalibClick();
    const EffectiveResolution &resolution() const { return m_resolution; }

    // Every way of closing ends here; FormClose runs first.
    void done(int result) override;

    QGroupBox *GroupBox1 = nullptr;
    QLabel *Label5 = nullptr;
    numedit::TLuNumEdit *LuNumEdit_TOP = nullptr;
    QLabel *Label6 = nullptr;
    numedit::TLuNumEdit *LuNumEdit_LEFT = nullptr;
    QPushButton *BitBtn_MRGN = nullptr;
    // The same margins in millimetres; typing in either column updates the other.
    QDoubleSpinBox *SpinBox_TOPmm = nullptr;
    QDoubleSpinBox *SpinBox_LEFTmm = nullptr;
    QPushButton *BitBtn_Calib = nullptr;
    // Where the slip really lands: the margins plus the fixed shift on the left, in mm
    // at the feed printer's resolution, and that resolution.
    QLabel *Label_Total = nullptr;

    static constexpr QSize kOuterSize{300, 196};

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildUi();
    // The outer size includes the frame, as far as the window system has told it.
    void fitOuterSize();
    void centreOnOpener();
    // Dots box -> mm box, and mm box -> dots box, at the feed's resolution.
    void showMillimetres();
    void takeMillimetres(numedit::TLuNumEdit *dots, const QDoubleSpinBox *mm, int dpi);

    PrinterRegistration &m_registration;
    std::function<QString()> m_currentFeed;
    std::function<EffectiveResolution()> m_resolutionSource;
    std::function<void(const PrinterBinding &)> m_printCalibration;
    EffectiveResolution m_resolution{180, 180};
};

} // namespace printing
