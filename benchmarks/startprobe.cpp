// The program as it starts for a user, ended as soon as its start sequence has
// finished (window shown, settings and sender profile loaded). Prints
// "ready_ms=<ms>": the time since the driver started it (MEKIRA_PROBE_T0_NS).
//
// mekira_startprobe --exercise: before ending, also pastes an order mail, transfers
// it and prints the slip on the current printer with every question answered Yes
// (for the peak-memory figure; run it with only the PDF printer reachable). Prints
// "transferred=<0|1>" and "printed=<0|1>".

#include "benchsupport.h"

#include "app/application.h"
#include "app/mainwindow.h"
#include "platform-ui/messagebox.h"

#include <QLineEdit>
#include <QPlainTextEdit>

#include <cstring>

namespace {

// Every question answered Yes; notices and errors only counted.
class YesBoxes : public platform::MessageBoxes
{
public:
    bool question(const QString &) override { return true; }
    void notice(const QString &text) override { std::fprintf(stderr, "notice: %s\n", qPrintable(text)); }
    void error(const QString &text) override
    {
        ++errors;
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }
    int errors = 0;
};

const char *kOrderMail = "ご注文ありがとうございます。\n\n【お届け先】\nお名前：見本　花子 様\n"
                         "〒１２３－４５６７ 東京都架空区見本町１－２－３\nサンプルハイツ１０１号\n"
                         "TEL：０９０－００００－１１１１\nメール：hanako.mihon@example.jp\n\n"
                         "【ご注文内容】\n見本の品　2点\nお支払い：代金引換\nhttps://shop.example.com/\n"
                         "   \n見本ショップ\nTEL 03-0000-0000";

void exercise(TForm_Main &window)
{
    YesBoxes boxes;
    platform::setMessageBoxes(&boxes);
    window.Memo1->setPlainText(QString::fromUtf8(kOrderMail));
    window.BitBtn_1Click();
    std::printf("transferred=%d\n", window.Edit_Zip->text() == QStringLiteral("123-4567") ? 1 : 0);
    const int before = boxes.errors;
    window.SpeedButton_F11Click();
    std::printf("printed=%d\n", boxes.errors == before ? 1 : 0);
    platform::setMessageBoxes(nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    const bool withExercise = argc > 1 && std::strcmp(argv[1], "--exercise") == 0;
    app::StartOptions options;
    options.quitWhenStarted = true;
    options.afterStart = [withExercise](TForm_Main &window) {
        std::printf("ready_ms=%.3f\n", double(bench::nsSinceStart()) / 1e6);
        if (withExercise)
            exercise(window);
        std::fflush(stdout);
    };
    return app::runApplication(argc, argv, options);
}
