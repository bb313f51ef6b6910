// One keystroke in a grid cell through the real window: QLineEdit::setText fires textChanged, which runs
// Form1::Text1_Change and stores the cell's value in the record table.
#include "platform/qt/application.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtimeDir; // a private runtime folder keeps Qt quiet when run as root
    qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit());
    QApplication app(argc, argv);
    psa::useJapaneseDefaultFont();
    psa::Program program;
    psa::Form1Window &window = program.window();
    psa::Form1 &form = program.form();
    window.show();
    QApplication::processEvents();
    form.Command5_Click();

    // Typing a year digit by digit into the last row's cell, then erasing it, over and over.
    QLineEdit *cell = window.cell(103);
    const QString texts[] = { QStringLiteral("2"), QStringLiteral("20"), QStringLiteral("200"),
        QStringLiteral("2005"), QString() };
    constexpr int kPerSample = 1000;
    constexpr int kSamples = 31;
    std::vector<double> perKeystroke;
    for (int sample = 0; sample < kSamples; ++sample) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kPerSample; ++i)
            cell->setText(texts[i % 5]);
        const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
        perKeystroke.push_back(elapsed.count() / kPerSample);
        // Let the window repaint between samples, as it would between a user's keystrokes.
        QApplication::processEvents();
    }
    if (form.records().RecordTable.at(35, 1) != 0 || form.records().RecordCount != 35) {
        std::fprintf(stderr, "the keystrokes did not reach the record table\n");
        return 1;
    }
    std::sort(perKeystroke.begin(), perKeystroke.end());
    std::printf("BENCH keystroke %.2f us\n", perKeystroke[perKeystroke.size() / 2]);
    return 0;
}
