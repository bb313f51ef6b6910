// The real window on the offscreen platform: layout, looks, names for screen readers, keyboard entry and the
// graph at the screen's pixel ratio. Runs once as is and once with QT_SCALE_FACTOR=2.

#include "app/application.h"
#include "support/fake_dialogs.h"
#include "support/fake_file_system.h"

#include <QAccessible>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace psa;

namespace {

// A button's face above its caption, inside the border.
QColor faceOf(QWidget *button)
{
    return button->grab({ button->width() / 2, 4, 1, 1 }).toImage().pixelColor(0, 0);
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_program.reset(); }
    void controlsAtStartUp_data();
    void controlsAtStartUp();
    void typeAndDraw();
    void failedHandlerIsAbandonedWithAMessage();

private:
    testing::FakeDialogs m_dialogs;
    testing::FakeFileSystem m_files;
    std::unique_ptr<Program> m_program;
};

// The window as the program starts it.
void TestWindow::init()
{
    m_dialogs = {};
    m_program = std::make_unique<Program>(m_dialogs, m_files);
    m_program->window().show();
    QApplication::setActiveWindow(&m_program->window());
    QVERIFY(QTest::qWaitForWindowActive(&m_program->window()));
}

// Where start-up leaves a control, in logical pixels at every screen pixel ratio (so the headings Label2 to
// Label4 stand exactly over the columns of cells 1 to 3 and end one pixel above them); its caption, and the
// name a screen reader speaks where it is not the caption.
void TestWindow::controlsAtStartUp_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("spoken");
    const auto row = [](const char *name, QRect geometry, const char *caption, const char *spoken = nullptr) {
        QTest::newRow(name) << geometry << QString(caption) << QString(spoken);
    };
    row("Text1_1", { 8, 65, 70, 15 }, "", "1行目 西暦年");
    row("Text1_2", { 78, 65, 54, 15 }, "", "1行目 月");
    row("Text1_3", { 132, 65, 70, 15 }, "", "1行目 PSA値");
    row("Text1_9", { 132, 97, 70, 15 }, "", "3行目 PSA値");
    row("Text1_103", { 8, 609, 70, 15 }, "", "35行目 西暦年");
    row("Text1_105", { 132, 609, 70, 15 }, "", "35行目 PSA値");
    row("Picture1", { 208, 88, 849, 521 }, "", "PSAグラフ");
    row("Command5", { 208, 40, 105, 49 }, "データー入力");
    row("Command4", { 312, 40, 137, 49 }, "データー読み込み");
    row("Command8", { 448, 40, 169, 49 }, "データー追加・修正");
    row("Command3", { 616, 40, 105, 49 }, "データー保存");
    row("Command1", { 720, 40, 89, 49 }, "グラフ表示");
    row("Command2", { 808, 40, 89, 49 }, "グラフ保存");
    row("Command9", { 896, 40, 89, 49 }, "グラフ消去");
    row("Command7", { 984, 40, 73, 49 }, "終了");
    row("Command6", { 134, 628, 70, 28 }, "入力終了");
    row("Label1", { 208, 8, 507, 31 }, "\u3000PSA値推移グラフ\u3000");
    row("Label5", { 8, 16, 193, 25 }, "データー入力");
    row("Label2", { 8, 40, 70, 24 }, "西暦年");
    row("Label3", { 78, 40, 54, 24 }, "月");
    row("Label4", { 132, 40, 70, 24 }, "PSA値");
}

void TestWindow::controlsAtStartUp()
{
    QFETCH(QString, caption);
    QFETCH(QString, spoken);
    QWidget *widget = m_program->window().findChild<QWidget *>(QTest::currentDataTag());
    QTEST(widget->geometry(), "geometry");
    QCOMPARE(widget->property("text").toString(), caption);
    QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name),
        spoken.isNull() ? caption : spoken);
}

void TestWindow::typeAndDraw()
{
    Form1Window &window = m_program->window();
    Form1 &form = m_program->form();
    ImageSurface &picture = m_program->picture1();
    QCOMPARE(window.devicePixelRatioF(), qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble());
    for (int number = 1; number <= 9; ++number) {
        const bool available = number == 4 || number == 5 || number == 7;
        QCOMPARE(window.button(Button(number))->isEnabled(), available);
        QCOMPARE(
            faceOf(window.button(Button(number))), QColor(available ? 0xffffc0 : 0xc8c8c8)); // yellow, grey
    }

    QTest::mouseClick(window.button(Button::Command5), Qt::LeftButton);
    QCOMPARE(faceOf(window.button(Button::Command6)), QColor(0xffffc0));
    // Tab walks the grid in index order, the cells made at start-up included, then the available buttons.
    const QStringList typed { "2005", "4", "3.2", "2006", "1", "0.8" };
    QStringList walked, expected;
    for (int index = 1; index <= 105; ++index)
        expected << QString("Text1_%1").arg(index);
    for (int step = 0; step < 110; ++step) {
        walked << QApplication::focusWidget()->objectName();
        QTest::keyClicks(QApplication::focusWidget(), typed.value(step));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(walked, (expected + QStringList { "Command6", "Command5", "Command4", "Command7", "Text1_1" }));
    QTest::mouseClick(window.button(Button::Command6), Qt::LeftButton);
    QCOMPARE(form.records().RecordCount, 2);

    // As if the window had just come from a screen of ratio 3: the picture takes its screen's ratio back.
    const qreal ratio = window.devicePixelRatioF();
    picture.resize(ImageSurface::kDefaultSize, 3);
    QTRY_COMPARE(picture.image().devicePixelRatio(), ratio);
    QTest::mouseClick(window.button(Button::Command1), Qt::LeftButton);
    const QImage image = picture.image();
    QCOMPARE(image.size(), QSize(849, 521) * ratio);
    // Right of the last month line only the level lines cross: both red reference lines, one logical pixel
    // each.
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        red += image.pixel(int(835 * ratio), y) == qRgb(255, 0, 0);
    QCOMPARE(red, 2 * int(ratio));
    QCOMPARE(window.picture1()->grab().toImage().convertToFormat(image.format()), image);
}

// A handler that fails unexpectedly (here the file dialog of a load, with no answer scripted) is given up
// with a message; the window goes on working.
void TestWindow::failedHandlerIsAbandonedWithAMessage()
{
    Form1Window &window = m_program->window();
    QTest::mouseClick(window.button(Button::Command4), Qt::LeftButton);
    QCOMPARE(m_dialogs.messages.size(), 1u);
    QCOMPARE(QString::fromStdU16String(m_dialogs.messages[0].prompt + u"|" + m_dialogs.messages[0].title),
        "予期しないエラーが起きたため、この操作を中止しました。|エラー");
    QTest::mouseClick(window.button(Button::Command5), Qt::LeftButton);
    QTest::keyClicks(QApplication::focusWidget(), "2005");
    QTest::mouseClick(window.button(Button::Command6), Qt::LeftButton);
    QCOMPARE(m_program->form().records().RecordCount, 1);
    QVERIFY(window.button(Button::Command1)->isEnabled());
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"
