// The yardstick for the start-up time: a plain Qt window with as many line edits and buttons as psa-graph's
// main window, the same captions, and nothing else. With PSA_EXIT_AFTER_FIRST_FRAME set it ends right after
// its first paint, as psa-graph does.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

class MinimalWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent *) override
    {
        if (m_exitAfterFirstFrame) {
            m_exitAfterFirstFrame = false;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
    }

private:
    bool m_exitAfterFirstFrame = qEnvironmentVariableIsSet("PSA_EXIT_AFTER_FIRST_FRAME");
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    MinimalWindow window;
    window.setFixedSize(1062, 729);
    for (int index = 0; index < 105; ++index) {
        auto *cell = new QLineEdit(&window);
        cell->setGeometry(8 + 70 * (index % 3), 65 + 16 * (index / 3), 70, 15);
    }
    const char16_t *const captions[] = { u"データー入力", u"データー読み込み", u"データー追加・修正",
        u"データー保存", u"グラフ表示", u"グラフ保存", u"グラフ消去", u"終了", u"入力終了" };
    int left = 208;
    for (const char16_t *caption : captions) {
        auto *button = new QPushButton(QString::fromUtf16(caption), &window);
        button->setGeometry(left, 40, 100, 49);
        left += 99;
    }
    window.show();
    return QApplication::exec();
}
