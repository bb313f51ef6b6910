// The real window and Qt's dialogs on the offscreen platform: layout, looks, mouse and keyboard.

#include "app/form1.h"
#include "app/form1_window.h"
#include "platform/qt_dialogs.h"
#include "platform/qt_surface.h"
#include "support/fake_dialogs.h"
#include "support/fake_file_system.h"
#include "support/recording_surface.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRawFont>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

using namespace psa;
using namespace Qt::Literals::StringLiterals;
using psa::testing::FakeDialogs;
using psa::testing::FakeFileSystem;
using psa::testing::RecordingSurface;

namespace {

// The window as the program starts it: handlers attached, start-up run, shown and active.
struct Rig {
    Rig()
    {
        window.attach(form, dialogs);
        form.Form_Load();
    }
    bool showActive()
    {
        window.show();
        QApplication::setActiveWindow(&window);
        return QTest::qWaitForWindowActive(&window);
    }
    template <typename T = QWidget> T *find(const QString &name) const { return window.findChild<T *>(name); }
    QLineEdit *cell(int index) const { return window.cell(index); }

    Form1Window window;
    RecordingSurface surface;
    FakeDialogs dialogs;
    FakeFileSystem files;
    Form1 form { window, surface, dialogs, files };
};

// Runs `act` on the first modal dialog of type T that opens, from inside the dialog's own event loop. A
// dialog of another kind, or none within five seconds, is closed so that the test fails instead of hanging.
template <typename T> void whenModalOpens(std::function<void(T *)> act)
{
    auto *timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<T *>(modal)) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
            // Should the action not have closed it, the dialog closes itself later instead of hanging the
            // test.
            QTimer::singleShot(5000, dialog, [dialog] { dialog->close(); });
        } else if (++*tries > 500 || modal) {
            timer->stop();
            timer->deleteLater();
            if (modal)
                modal->close();
        }
    });
    timer->start(10);
}

QColor backgroundOf(QPushButton *button)
{
    // Above the caption, inside the border.
    return button->grab().toImage().pixelColor(button->width() / 2, 4);
}

class PaintCounter : public QObject {
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
    int count = 0;
};

const QColor kLightYellow(255, 255, 192);
const QColor kGrey(200, 200, 200);

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void controls_data();
    void controls();
    void layoutAfterStartUp();
    void fontsRenderJapanese_data();
    void fontsRenderJapanese();
    void buttonColours();
    void clickThenType();
    void tabWalksTheGridThenTheButtons();
    void pictureShowsTheDrawing();
    void firstPaintHookRunsOnce();
    void failingHandlerIsReportedNotFatal();
    void nameFilters_data();
    void nameFilters();
    void askYesNo_data();
    void askYesNo();
    void fileDialog_data();
    void fileDialog();
    void endProgramLeavesTheEventLoopWithZero();
};

void TestWindow::initTestCase()
{
    // As the program starts.
    QVERIFY(InstallJapaneseQtTexts(*qApp));
    UseJapaneseDefaultFont();
}

// Every control by name: where start-up leaves it and its caption ("" for controls without one).
void TestWindow::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    QTest::newRow("cell 1") << "Text1_1" << QRect(8, 65, 70, 15) << "";
    QTest::newRow("cell 2") << "Text1_2" << QRect(78, 65, 54, 15) << "";
    QTest::newRow("cell 3") << "Text1_3" << QRect(132, 65, 70, 15) << "";
    QTest::newRow("cell 103") << "Text1_103" << QRect(8, 609, 70, 15) << "";
    QTest::newRow("cell 105") << "Text1_105" << QRect(132, 609, 70, 15) << "";
    QTest::newRow("template, never shown") << "Text1_0" << QRect(80, 520, 65, 25) << "Text1";
    QTest::newRow("Picture1") << "Picture1" << QRect(208, 88, 849, 521) << "";
    QTest::newRow("Command5") << "Command5" << QRect(208, 40, 105, 49) << u"データー入力"_s;
    QTest::newRow("Command4") << "Command4" << QRect(312, 40, 137, 49) << u"データー読み込み"_s;
    QTest::newRow("Command8") << "Command8" << QRect(448, 40, 169, 49) << u"データー追加・修正"_s;
    QTest::newRow("Command3") << "Command3" << QRect(616, 40, 105, 49) << u"データー保存"_s;
    QTest::newRow("Command1") << "Command1" << QRect(720, 40, 89, 49) << u"グラフ表示"_s;
    QTest::newRow("Command2") << "Command2" << QRect(808, 40, 89, 49) << u"グラフ保存"_s;
    QTest::newRow("Command9") << "Command9" << QRect(896, 40, 89, 49) << u"グラフ消去"_s;
    QTest::newRow("Command7") << "Command7" << QRect(984, 40, 73, 49) << u"終了"_s;
    QTest::newRow("Command6 below the grid") << "Command6" << QRect(134, 628, 70, 28) << u"入力終了"_s;
    QTest::newRow("Label1, ideographic spaces at both ends")
        << "Label1" << QRect(208, 8, 507, 31) << u"\u3000PSA値推移グラフ\u3000"_s;
    QTest::newRow("Label5") << "Label5" << QRect(8, 16, 193, 25) << u"データー入力"_s;
    QTest::newRow("Label2 over the years") << "Label2" << QRect(8, 40, 70, 24) << u"西暦年"_s;
    QTest::newRow("Label3 over the months") << "Label3" << QRect(78, 40, 54, 24) << u"月"_s;
    QTest::newRow("Label4 over the values") << "Label4" << QRect(132, 40, 70, 24) << u"PSA値"_s;
}

void TestWindow::controls()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    Rig rig;
    QWidget *widget = rig.find(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    if (auto *button = qobject_cast<QPushButton *>(widget))
        QCOMPARE(button->text(), caption);
    else if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), caption);
    else if (auto *edit = qobject_cast<QLineEdit *>(widget))
        QCOMPARE(edit->text(), caption);
}

void TestWindow::layoutAfterStartUp()
{
    Rig rig;
    QVERIFY(rig.showActive());
    QCOMPARE(rig.window.windowTitle(), QStringLiteral("Form1"));
    QCOMPARE(rig.window.size(), QSize(1062, 729));
    QCOMPARE(rig.window.minimumSize(), rig.window.maximumSize());
    // The headings end one pixel above the first row.
    for (const char *heading : { "Label2", "Label3", "Label4" })
        QCOMPARE(rig.find(heading)->geometry().bottom() + 2, rig.cell(1)->y());
    for (int index = 1; index <= 105; ++index) {
        QLineEdit *cell = rig.cell(index);
        QVERIFY(cell && cell->objectName() == QStringLiteral("Text1_%1").arg(index));
        QVERIFY(cell->isVisible() && cell->isEnabled() && cell->text().isEmpty() && !cell->hasFrame());
    }
    QVERIFY(!rig.cell(0)->isVisible());
}

void TestWindow::fontsRenderJapanese_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::newRow("top button") << "Command8" << 12.0 << true;
    QTest::newRow("end input is smaller") << "Command6" << 9.0 << true;
    QTest::newRow("heading") << "Label2" << 14.25 << true;
    QTest::newRow("title") << "Label1" << 20.25 << false;
    QTest::newRow("cell") << "Text1_1" << 10.0 << false;
}

void TestWindow::fontsRenderJapanese()
{
    QFETCH(QString, name);
    QFETCH(double, points);
    QFETCH(bool, bold);
    Rig rig;
    const QFont font = rig.find(name)->font();
    QCOMPARE(font.pointSizeF(), points);
    if (bold)
        QVERIFY(font.weight() >= QFont::Bold);
    // Whatever face stands in must have the glyphs of the captions and of typed full-width digits.
    const QRawFont raw = QRawFont::fromFont(font);
    for (char32_t character : { U'デ', U'ー', U'西', U'値', U'１' })
        QVERIFY2(raw.supportsCharacter(character), qPrintable(QFontInfo(font).family()));
}

void TestWindow::buttonColours()
{
    Rig rig;
    QVERIFY(rig.showActive());
    for (int number = 1; number <= 9; ++number) {
        auto *button = rig.find<QPushButton>(QStringLiteral("Command%1").arg(number));
        const bool available = number == 4 || number == 5 || number == 7;
        QCOMPARE(button->isEnabled(), available);
        QCOMPARE(backgroundOf(button), available ? kLightYellow : kGrey);
    }

    // Becoming available again shows the light yellow once more.
    QTest::mouseClick(rig.find<QPushButton>("Command5"), Qt::LeftButton);
    auto *command6 = rig.find<QPushButton>("Command6");
    QVERIFY(command6->isEnabled());
    QCOMPARE(backgroundOf(command6), kLightYellow);
}

void TestWindow::clickThenType()
{
    Rig rig;
    QVERIFY(rig.showActive());
    QTest::mouseClick(rig.find<QPushButton>("Command5"), Qt::LeftButton);
    QTRY_VERIFY(rig.cell(1)->hasFocus());

    for (const char *text : { "2005", "4", "3.2", "2006", "1", "0.8" }) {
        QWidget *focused = QApplication::focusWidget();
        QVERIFY(focused);
        QTest::keyClicks(focused, QString::fromLatin1(text));
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    QTRY_VERIFY(rig.cell(7)->hasFocus());
    const RecordTable &table = rig.form.records().RecordTable;
    QCOMPARE((QList<double> { table.at(1, 1), table.at(1, 3), table.at(2, 1), table.at(2, 3) }),
        (QList<double> { 2005, 3.2, 2006, 0.8 }));

    QTest::mouseClick(rig.find<QPushButton>("Command6"), Qt::LeftButton);
    QCOMPARE(rig.form.records().RecordCount, 2);
    QTest::mouseClick(rig.find<QPushButton>("Command1"), Qt::LeftButton);
    QVERIFY(!rig.surface.callsOf<RecordingSurface::CircleCall>().empty());
    QVERIFY(rig.find<QPushButton>("Command9")->isEnabled());
}

void TestWindow::tabWalksTheGridThenTheButtons()
{
    Rig rig;
    for (int number = 1; number <= 9; ++number)
        rig.window.SetButtonEnabled(static_cast<Button>(number), true);
    QVERIFY(rig.showActive());
    rig.cell(1)->setFocus();
    QTRY_VERIFY(rig.cell(1)->hasFocus());

    QStringList expected;
    for (int index = 2; index <= 105; ++index)
        expected << QStringLiteral("Text1_%1").arg(index);
    expected << QStringLiteral(
        "Command6 Command5 Command4 Command3 Command1 Command2 Command7 Command8 Command9 Text1_1")
                    .split(u' ');
    QStringList walked;
    for (qsizetype step = 0; step < expected.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(walked, expected);
}

void TestWindow::pictureShowsTheDrawing()
{
    Rig rig;
    QVERIFY(rig.showActive());
    QWidget *picture = rig.find("Picture1");
    QCOMPARE(picture->grab().toImage().pixelColor(400, 200), QColor(Qt::white));

    ImageSurface surface;
    rig.window.showPicture(surface);
    // The picture must repaint by itself once something is drawn: watch its paint events.
    PaintCounter paints;
    picture->installEventFilter(&paints);
    surface.Line({ 100, 200 }, { 700, 200 }, kRed);
    QTRY_VERIFY(paints.count > 0);

    const QImage shown = picture->grab().toImage();
    QCOMPARE(shown.pixelColor(400, 200), QColor(Qt::red));
    QCOMPARE(shown.pixelColor(400, 202), QColor(Qt::white));
}

void TestWindow::firstPaintHookRunsOnce()
{
    Rig rig;
    int calls = 0;
    rig.window.onFirstPaint([&calls] { ++calls; });
    QVERIFY(rig.showActive());
    QTRY_COMPARE(calls, 1);
    rig.window.repaint();
    QCOMPARE(calls, 1);
}

void TestWindow::failingHandlerIsReportedNotFatal()
{
    // Without start-up there are no cells after 50, so emptying the grid fails half-way.
    Form1Window window;
    RecordingSurface surface;
    FakeDialogs dialogs;
    FakeFileSystem files;
    Form1 form(window, surface, dialogs, files);
    window.attach(form, dialogs);

    window.button(Button::Command5)->click();

    QCOMPARE(dialogs.messages.size(), std::size_t(1));
    QVERIFY(!dialogs.messages[0].prompt.empty());
    QVERIFY(window.cell(50)->text().isEmpty());
    // The window still works afterwards.
    window.SetCellText(1, u"2005");
    QCOMPARE(form.records().RecordTable.at(1, 1), 2005.0);
}

void TestWindow::nameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("records") << u"CSVファイル|*.csv"_s << QStringList { u"CSVファイル (*.csv)"_s };
    QTest::newRow("two entries") << "Text|*.txt|All|*.*" << QStringList { "Text (*.txt)", "All (*.*)" };
    QTest::newRow("two patterns in one entry")
        << "Pictures|*.bmp;*.dib" << QStringList { "Pictures (*.bmp *.dib)" };
    QTest::newRow("description without pattern dropped")
        << "Text|*.txt|Orphan" << QStringList { "Text (*.txt)" };
    QTest::newRow("empty") << "" << QStringList {};
}

void TestWindow::nameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(QtNameFilters(filter.toStdU16String()), expected);
}

void TestWindow::askYesNo_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<MsgBoxAnswer>("answer");
    QTest::newRow("Return takes the default, Yes") << int(Qt::Key_Return) << MsgBoxAnswer::Yes;
    QTest::newRow("Escape answers No") << int(Qt::Key_Escape) << MsgBoxAnswer::No;
}

void TestWindow::askYesNo()
{
    QFETCH(int, key);
    QFETCH(MsgBoxAnswer, answer);
    QWidget owner;
    QtDialogs dialogs(&owner);
    QString title, text;
    QStringList captions;
    QMessageBox::Icon icon = QMessageBox::Warning;
    bool yesIsDefault = false;
    whenModalOpens<QMessageBox>([&](QMessageBox *box) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        // Qt's Japanese texts add the access key, as in "はい(&Y)".
        for (QAbstractButton *button : box->buttons())
            captions << button->text().remove(QRegularExpression(u"\\(&.\\)$"_s));
        yesIsDefault = box->defaultButton() == box->button(QMessageBox::Yes);
        QTest::keyClick(box, Qt::Key(key));
    });

    const MsgBoxAnswer got
        = dialogs.AskYesNo(u"　　　ほんとうにおわりますか？", u"　　　　かくにんメッセージ");

    QCOMPARE(got, answer);
    QCOMPARE(title, u"　　　　かくにんメッセージ"_s);
    QCOMPARE(text, u"　　　ほんとうにおわりますか？"_s);
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(QSet<QString>(captions.begin(), captions.end()), (QSet<QString> { u"はい"_s, u"いいえ"_s }));
    QVERIFY(yesIsDefault);
}

void TestWindow::fileDialog_data()
{
    QTest::addColumn<bool>("confirmOverwrite");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("saving, chosen") << true << false;
    QTest::newRow("loading, chosen") << false << false;
    QTest::newRow("cancelled") << true << true;
}

void TestWindow::fileDialog()
{
    QFETCH(bool, confirmOverwrite);
    QFETCH(bool, cancel);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString typed = folder.filePath(QStringLiteral("records"));

    QWidget owner;
    QtDialogs dialogs(&owner);
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    QFileDialog::Options options;
    QStringList filters;
    QString suffix = "unset";
    whenModalOpens<QFileDialog>([&](QFileDialog *dialog) {
        mode = dialog->acceptMode();
        options = dialog->options();
        filters = dialog->nameFilters();
        suffix = dialog->defaultSuffix();
        if (cancel) {
            dialog->reject();
            return;
        }
        // As if typed into the name field, which has the focus.
        auto *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
        QVERIFY(name);
        name->setText(typed);
        static_cast<QDialog *>(dialog)->accept();
    });

    const std::u16string chosen = dialogs.ShowSave({ u"CSVファイル|*.csv", confirmOverwrite });

    QCOMPARE(mode, QFileDialog::AcceptSave);
    QVERIFY(options.testFlag(QFileDialog::DontUseNativeDialog));
    QVERIFY(options.testFlag(QFileDialog::HideNameFilterDetails));
    QCOMPARE(options.testFlag(QFileDialog::DontConfirmOverwrite), !confirmOverwrite);
    QCOMPARE(filters, QStringList { u"CSVファイル (*.csv)"_s });
    QCOMPARE(suffix, QString());
    // A name typed without an extension comes back as typed.
    QCOMPARE(QString::fromStdU16String(chosen), cancel ? QString() : typed);
}

void TestWindow::endProgramLeavesTheEventLoopWithZero()
{
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QtDialogs dialogs(&window);
    QTimer::singleShot(0, [&dialogs] { dialogs.EndProgram(); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!window.isVisible());
    QVERIFY(!window.isEnabled());
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"
