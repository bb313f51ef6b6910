// The real window on the offscreen platform: layout, looks, names for screen readers, the keyboard, the
// picture's menu and the graph at the screen's pixel ratio. Runs once as is and once with QT_SCALE_FACTOR=2.

#include "app/application.h"
#include "support/fake_dialogs.h"
#include "support/fake_file_system.h"
#include "support/record_files.h"

#include <QAccessible>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include <memory>
#include <utility>
#include <vector>

using namespace psa;

namespace {

// A button's colour `y` logical pixels below its top, half-way across: the border above 2, the face below.
QColor colourOf(QWidget *button, int y = 4)
{
    return button->grab({ button->width() / 2, y, 1, 1 }).toImage().pixelColor(0, 0);
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
    void returnClicksFocusedButtonOnce();
    void copyMenuFollowsGraph();
    void failedHandlerIsAbandonedWithAMessage();

private:
    QPushButton *button(int number) { return m_program->window().button(Button(number)); }
    void click(int number) { QTest::mouseClick(button(number), Qt::LeftButton); }

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
    row("Text1_9", { 132, 97, 70, 15 }, "", "3行目 PSA値");
    row("Text1_103", { 8, 609, 70, 15 }, "", "35行目 西暦年");
    row("Picture1", { 208, 88, 849, 521 }, "", "PSAグラフ");
    row("Command5", { 208, 40, 105, 49 }, "データー入力");
    row("Command4", { 312, 40, 137, 49 }, "データー読み込み");
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
    ImageSurface &picture = m_program->picture1();
    QCOMPARE(window.devicePixelRatioF(), qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble());
    for (int number = 1; number <= 9; ++number) {
        const bool available = number == 4 || number == 5 || number == 7;
        QCOMPARE(button(number)->isEnabled(), available);
        QCOMPARE(colourOf(button(number)), QColor(available ? 0xffffc0 : 0xc8c8c8)); // yellow, grey
    }

    click(5);
    QCOMPARE(colourOf(button(6)), QColor(0xffffc0));
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
    click(6);
    QCOMPARE(m_program->form().records().RecordCount, 2);

    // As if the window had just come from a screen of ratio 3: the picture takes its screen's ratio back.
    const qreal ratio = window.devicePixelRatioF();
    picture.resize(ImageSurface::kDefaultSize, 3);
    QTRY_COMPARE(picture.image().devicePixelRatio(), ratio);
    click(1);
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

// Return and Enter (the keypad's too) click the focused button once per press, also when held down; the
// focused button has a border two pixels wide. A grey button gets no keys; Return in a cell clicks nothing
// and leaves the focus and the text where they are.
void TestWindow::returnClicksFocusedButtonOnce()
{
    QString clicks(9, u'0'); // per button, from Command1 on
    for (int number = 1; number <= 9; ++number)
        connect(button(number), &QPushButton::clicked, this,
            [&clicks, number] { clicks[number - 1] = QChar(clicks[number - 1].unicode() + 1); });
    QTest::keyClick(button(1), Qt::Key_Return);
    QTest::keyClick(button(1), Qt::Key_Enter, Qt::KeypadModifier);
    click(5);
    QWidget *cell = m_program->window().cell(1);
    QTRY_COMPARE(QApplication::focusWidget(), cell);
    QTest::keyClicks(cell, "2004");
    QTest::keyClick(cell, Qt::Key_Return);
    QTest::keyClick(cell, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::qWait(200);
    QCOMPARE(clicks, "000010000");
    QCOMPARE(QApplication::focusWidget(), cell);
    QCOMPARE(m_program->window().cell(1)->text(), "2004");

    // From here on the buttons only count their clicks, all of them available.
    clicks.fill(u'0');
    for (int number = 1; number <= 9; ++number) {
        disconnect(button(number), &QPushButton::clicked, &m_program->window(), nullptr);
        button(number)->setEnabled(true);
        button(number)->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(button(number)->hasFocus());
        QCOMPARE(colourOf(button(number), 1), colourOf(button(number), 0));
        for (const auto &[key, modifiers] :
            { std::pair(Qt::Key_Return, Qt::NoModifier), std::pair(Qt::Key_Enter, Qt::KeypadModifier) }) {
            const QChar before = clicks[number - 1];
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
            QTRY_VERIFY(clicks[number - 1] != before);
            QKeyEvent held(QEvent::KeyPress, key, modifiers, QString(), true);
            QApplication::sendEvent(QApplication::focusWidget(), &held);
        }
    }
    QTest::qWait(200);
    QCOMPARE(clicks, "222222222");
}

// "グラフをコピー" is available exactly while a graph is drawn, and puts the picture's image on the
// clipboard.
void TestWindow::copyMenuFollowsGraph()
{
    m_files.files[u"records.csv"] = testing::recordsText(5);
    m_dialogs.fileNames.assign(2, u"records.csv");
    Form1Window &window = m_program->window();
    // The buttons clicked, by number, and whether the copy is then offered.
    const std::pair<const char *, bool> steps[] = { { "", false }, { "4", false }, { "1", true },
        { "9", false }, { "1", true }, { "566", true }, { "4", true } };
    for (const auto &[clicks, available] : steps) {
        for (const char *number = clicks; *number; ++number)
            click(*number - '0');
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        // A right click as the window system delivers it, which is what turns it into a context menu request.
        QTest::mouseClick(
            window.windowHandle(), Qt::RightButton, {}, window.picture1()->mapTo(&window, QPoint(400, 300)));
        QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions().first()->text(), QStringLiteral("グラフをコピー"));
        QCOMPARE(menu->actions().first()->isEnabled(), available);
        menu->actions().first()->trigger();
        menu->close();
        if (available)
            QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                m_program->picture1().image());
        else
            QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    }
    QVERIFY(m_dialogs.messages.empty());
}

// A handler that fails unexpectedly (here the file dialog of a load, with no answer scripted) is given up
// with a message; the window goes on working.
void TestWindow::failedHandlerIsAbandonedWithAMessage()
{
    click(4);
    QCOMPARE(m_dialogs.messages.size(), 1u);
    QCOMPARE(QString::fromStdU16String(m_dialogs.messages[0].prompt + u"|" + m_dialogs.messages[0].title),
        "予期しないエラーが起きたため、この操作を中止しました。|エラー");
    click(5);
    QTest::keyClicks(QApplication::focusWidget(), "2005");
    click(6);
    QCOMPARE(m_program->form().records().RecordCount, 1);
    QVERIFY(button(1)->isEnabled());
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"
