// The slip preview: the time the preview window takes to open (F5 to its first paint)
// and to redraw after a keystroke in a slip field (key press to the preview's next
// paint), medians of N. The main window runs on the built-in PDF printer.
//
//   mekira_previewbench [keystrokes, default 60]

#include "benchsupport.h"

#include "app/mainwindow.h"
#include "platform-ui/messagebox.h"
#include "printer/ovprinters.h"
#include "printing/previewwindow.h"
#include "printer-cups/systemprinterbackend.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include <chrono>

namespace {

class QuietBoxes : public platform::MessageBoxes
{
public:
    bool question(const QString &) override { return true; }
    void notice(const QString &) override {}
    void error(const QString &text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
};

// Counts the paints of one widget.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

double since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Runs the event loop until the counter has seen one more paint (at most 2 s).
bool waitForPaint(const PaintCounter &counter, int before)
{
    const auto start = std::chrono::steady_clock::now();
    while (counter.paints == before) {
        QApplication::processEvents();
        if (since(start) > 2000)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    const int keystrokes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    bench::BenchApplication application(argc, argv);
    if (!application.isReady())
        return 2;
    OvPrinterScope printers(createSystemPrinterBackend());
    QuietBoxes boxes;
    platform::setMessageBoxes(&boxes);

    TForm_Main window;
    bool started = false;
    QObject::connect(&window, &TForm_Main::startSequenceFinished, [&] { started = true; });
    window.show();
    while (!started)
        QApplication::processEvents();
    window.Edit_Add1->setText(QStringLiteral("東京都架空区見本町一丁目三番地"));
    window.Edit_Custo1->setText(QStringLiteral("見本太郎"));
    window.Edit_G1->setText(QStringLiteral("書籍"));

    // Opening: F5 to the first paint of the preview.
    PaintCounter counter;
    auto start = std::chrono::steady_clock::now();
    window.SpeedButton_F5Click();
    window.previewWindow()->preview()->installEventFilter(&counter);
    if (!waitForPaint(counter, 0))
        return 1;
    const double firstOpenMs = since(start);
    std::vector<double> reopen;
    for (int i = 0; i < 10; ++i) {
        window.previewWindow()->hide();
        QApplication::processEvents();
        const int before = counter.paints;
        start = std::chrono::steady_clock::now();
        window.SpeedButton_F5Click();
        if (!waitForPaint(counter, before))
            return 1;
        reopen.push_back(since(start));
    }

    // Keystrokes: a letter typed into the address, to the preview's next paint.
    window.activateWindow();
    window.Edit_Add2->setFocus();
    std::vector<double> redraw;
    for (int i = 0; i < keystrokes; ++i) {
        const int before = counter.paints;
        const QChar letter = QChar(u'ア' + i % 40);
        start = std::chrono::steady_clock::now();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(letter));
        QApplication::sendEvent(window.Edit_Add2, &press);
        if (!waitForPaint(counter, before))
            return 1;
        redraw.push_back(since(start));
    }
    platform::setMessageBoxes(nullptr);
    std::printf("Preview: window opens in %.1f ms (first, fonts loaded cold), %.1f ms median when reopened; "
                "redraw after a keystroke median %.2f ms (%d keystrokes, %s page %d dpi)\n",
                firstOpenMs, bench::median(reopen), bench::median(redraw), keystrokes,
                qPrintable(window.ComboBox1->currentText()), window.previewWindow()->preview()->page().dpiY);
    return 0;
}
