// The real window on the offscreen platform: layout, looks, names for screen readers, keyboard entry and the
// graph at the screen's pixel ratio. Runs once as is and once with QT_SCALE_FACTOR=2.

#include "app/application.h"
#include "support/fake_dialogs.h"
#include "support/fake_file_system.h"

#include <QAccessible>
#include <QPushButton>
#include <QtTest>

using namespace psa;

namespace {

// Where start-up leaves a control, in logical pixels at every screen pixel ratio (so the headings Label2 to
// Label4 stand exactly over the columns of cells 1 to 3 and end one pixel above them); its caption, and the
// name a screen reader speaks where it is not the caption.
const std::tuple<const char *, QRect, const char16_t *, const char16_t *> kControls[] = {
    { "Text1_1", { 8, 65, 70, 15 }, u"", u"1行目 西暦年" },
    { "Text1_2", { 78, 65, 54, 15 }, u"", u"1行目 月" },
    { "Text1_3", { 132, 65, 70, 15 }, u"", u"1行目 PSA値" },
    { "Text1_9", { 132, 97, 70, 15 }, u"", u"3行目 PSA値" },
    { "Text1_103", { 8, 609, 70, 15 }, u"", u"35行目 西暦年" },
    { "Text1_105", { 132, 609, 70, 15 }, u"", u"35行目 PSA値" },
    { "Picture1", { 208, 88, 849, 521 }, u"", u"PSAグラフ" },
    { "Command5", { 208, 40, 105, 49 }, u"データー入力", nullptr },
    { "Command4", { 312, 40, 137, 49 }, u"データー読み込み", nullptr },
    { "Command8", { 448, 40, 169, 49 }, u"データー追加・修正", nullptr },
    { "Command3", { 616, 40, 105, 49 }, u"データー保存", nullptr },
    { "Command1", { 720, 40, 89, 49 }, u"グラフ表示", nullptr },
    { "Command2", { 808, 40, 89, 49 }, u"グラフ保存", nullptr },
    { "Command9", { 896, 40, 89, 49 }, u"グラフ消去", nullptr },
    { "Command7", { 984, 40, 73, 49 }, u"終了", nullptr },
    { "Command6", { 134, 628, 70, 28 }, u"入力終了", nullptr },
    { "Label1", { 208, 8, 507, 31 }, u"\u3000PSA値推移グラフ\u3000", nullptr },
    { "Label5", { 8, 16, 193, 25 }, u"データー入力", nullptr },
    { "Label2", { 8, 40, 70, 24 }, u"西暦年", nullptr },
    { "Label3", { 78, 40, 54, 24 }, u"月", nullptr },
    { "Label4", { 132, 40, 70, 24 }, u"PSA値", nullptr },
};

// A button's face above its caption, inside the border.
QColor faceOf(QWidget *button)
{
    return button->grab({ button->width() / 2, 4, 1, 1 }).toImage().pixelColor(0, 0);
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void startUpThenTypeAndDraw();
};

void TestWindow::startUpThenTypeAndDraw()
{
    // The window as the program starts it.
    testing::FakeDialogs dialogs;
    testing::FakeFileSystem files;
    Program program(dialogs, files);
    Form1Window &window = program.window();
    Form1 &form = program.form();
    ImageSurface &picture = program.picture1();
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(window.devicePixelRatioF(), qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble());
    for (const auto &[name, geometry, caption, spoken] : kControls) {
        QWidget *widget = window.findChild<QWidget *>(QString::fromLatin1(name));
        const QString text = widget->property("text").toString();
        QVERIFY2(widget->geometry() == geometry && text == QString::fromUtf16(caption), name);
        QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name),
            spoken ? QString::fromUtf16(spoken) : text);
    }
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

QTEST_MAIN(TestWindow)
#include "test_window.moc"
