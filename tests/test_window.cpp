// The real window on the offscreen platform: layout, looks, names for screen readers, the keyboard, the
// picture's menu and the graph at the screen's pixel ratio; the command line, and the export run as its own
// process with no display. The looks run once as is and once with QT_SCALE_FACTOR=2.

#include "app/graph_export.h"
#include "platform/guarded_run.h"
#include "platform/qt/application.h"
#include "platform/qt/command_line.h"
#include "platform/qt/qt_dialogs.h"
#include "support/fake_dialogs.h"
#include "support/fake_file_system.h"
#include "support/record_files.h"
#include "support/recording_surface.h"

#include <QAccessible>
#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

using namespace psa;
using Task = CommandLineRequest::Task;

namespace {

// A button's colour `y` logical pixels below its top, half-way across: the border above 2, the face below.
QColor colourOf(QWidget *button, int y = 4)
{
    return button->grab({ button->width() / 2, y, 1, 1 }).toImage().pixelColor(0, 0);
}

// Qt's own dialogs, except that ending the program is only counted.
class CountingQtDialogs final : public QtDialogs {
public:
    using QtDialogs::QtDialogs;
    void endProgram() override { ++endRequests; }
    int endRequests = 0;
};

// A key as the window system delivers it to `window`, shortcuts first; `repeat` as for a held key. The keys
// used here act by their codes, not by their texts.
void sendKey(QWindow *window, QEvent::Type type, const QKeyCombination &key, bool repeat)
{
    qt_handleKeyEvent(window, type, key.key(), key.keyboardModifiers(), {}, repeat);
}

// What a key held down sends after its first press: pairs of a release and a press, then the real release.
// With `marked`, Qt marks the pairs as repeats; without, they come as Qt sometimes reports the X server's
// repeats, as a real release and press at one and the same millisecond.
void holdAndRelease(QWidget &window, const QKeyCombination &key, bool marked = true)
{
    static unsigned long time = 1'000'000;
    QTest::qWait(120); // the key is held a while before it repeats, longer than a button shows itself pressed
    for (int repeat = 0; repeat < 5; ++repeat) {
        QTest::qWait(40); // 25 repeats a second, as X servers send them by default
        time += 40;
        for (const QEvent::Type type : { QEvent::KeyRelease, QEvent::KeyPress }) {
            if (marked) {
                sendKey(window.windowHandle(), type, key, true);
                continue;
            }
            QKeyEvent event(type, key.key(), key.keyboardModifiers());
            event.setTimestamp(time);
            QApplication::sendEvent(window.focusWidget(), &event);
        }
    }
    sendKey(window.windowHandle(), QEvent::KeyRelease, key, false);
}

// Runs `step` on the first modal Box shown from now on, inside the box's own event loop, which `poll` checks
// for. A box that `step` leaves open is closed then, so that no test waits for ever; `leftOpen` tells.
template <typename Box> void onFirstBox(QTimer &poll, const std::function<void(Box &)> &step, bool &leftOpen)
{
    QObject::connect(&poll, &QTimer::timeout, [&poll, step, &leftOpen] {
        auto *box = qobject_cast<Box *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        step(*box);
        // A key that picks a button by its letter clicks it after a moment.
        leftOpen = !QTest::qWaitFor([box] { return !box->isVisible(); }, 1000);
        if (leftOpen)
            static_cast<QDialog *>(box)->done(QDialog::Rejected);
    });
    poll.start(10);
}

// Holds `key` down in `box` (holdAndRelease) and waits a while: true when the box is still open. Then a fresh
// press of `answer`.
bool openAfterHeld(QWidget &box, const QKeyCombination &key, bool marked, Qt::Key answer)
{
    holdAndRelease(box, key, marked);
    QTest::qWait(120);
    const bool open = box.isVisible();
    sendKey(box.windowHandle(), QEvent::KeyPress, answer, false);
    return open;
}

// In-memory files that fail as no file system should, by throwing, when r.csv is read.
class ThrowingFiles final : public testing::FakeFileSystem {
public:
    [[nodiscard]] Opened<ByteReader> openForReading(std::u16string_view path) override
    {
        if (path == u"r.csv")
            throw std::runtime_error("read");
        return FakeFileSystem::openForReading(path);
    }
};

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    // As the program starts its window, which is also the font the export draws with.
    void initTestCase() { useJapaneseDefaultFont(); }

    // The window as the program starts it. Only the looks depend on the screen's pixel ratio; the rest runs
    // at ratio 1, where the window saves the graph as the export does.
    void init()
    {
        const QByteArrayList looks { "controlsAtStartUp", "typeAndDraw", "pictureMenu" };
        if (qApp->devicePixelRatio() != 1 && !looks.contains(QTest::currentTestFunction()))
            QSKIP("Does not depend on the screen's pixel ratio.");
        m_dialogs = {};
        m_program = std::make_unique<Program>(m_dialogs, m_files);
        m_program->window().show();
        QVERIFY(QTest::qWaitForWindowActive(&m_program->window()));
    }
    void cleanup() { m_program.reset(); }

    // Where start-up leaves a control, in logical pixels at every screen pixel ratio (so the heading Label4
    // stands exactly over the column of cell 9 and ends one pixel above the grid); its caption, and the name
    // a screen reader speaks where it is not the caption.
    void controlsAtStartUp_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("spoken");
        // No name spoken (null): the caption is.
        QTest::newRow("Text1_9") << QRect(132, 97, 70, 15) << QString() << QString("3行目 PSA値");
        QTest::newRow("Text1_103") << QRect(8, 609, 70, 15) << QString() << QString("35行目 西暦年");
        QTest::newRow("Picture1") << QRect(208, 88, 849, 521) << QString() << QString("PSAグラフ");
        QTest::newRow("Command6") << QRect(134, 628, 70, 28) << QString("入力終了") << QString();
        QTest::newRow("Label4") << QRect(132, 40, 70, 24) << QString("PSA値") << QString();
    }

    void controlsAtStartUp()
    {
        QFETCH(QString, caption);
        QFETCH(QString, spoken);
        QWidget *widget = m_program->window().findChild<QWidget *>(QTest::currentDataTag());
        QTEST(widget->geometry(), "geometry");
        QCOMPARE(widget->property("text").toString(), caption);
        QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name),
            spoken.isNull() ? caption : spoken);
    }

    // The window in use, from the keyboard. A handler that fails unexpectedly (here the file dialog of a
    // load, with no answer scripted) is given up with a message; the window goes on working. Return in a cell
    // clicks nothing and leaves the focus and the text where they are; the focused button has a border two
    // pixels wide.
    void typeAndDraw()
    {
        Form1Window &window = m_program->window();
        int clicks = 0;
        for (int number = 1; number <= 9; ++number) {
            connect(button(number), &QPushButton::clicked, this, [&clicks] { ++clicks; });
            const bool available = number == 4 || number == 5 || number == 7;
            QCOMPARE(button(number)->isEnabled(), available);
            QCOMPARE(colourOf(button(number)), QColor(available ? 0xffffc0 : 0xc8c8c8)); // yellow, grey
        }
        // The buttons above the picture make one bar as wide as it, each one's border on the next one's.
        int left = window.picture1()->x();
        for (const int number : { 5, 4, 8, 3, 1, 2, 9, 7 }) {
            QCOMPARE(button(number)->geometry(), QRect(left, 40, button(number)->width(), 49));
            left += button(number)->width() - 1;
        }
        QCOMPARE(left, window.picture1()->geometry().right());
        click(4);
        QCOMPARE(
            QString::fromStdU16String(m_dialogs.messages.at(0).prompt + u"|" + m_dialogs.messages[0].title),
            "予期しないエラーが起きたため、この操作を中止しました。|エラー");

        click(5);
        // Tab walks the grid in index order, the cells made at start-up included, then the available buttons.
        const QStringList typed { "2005", "4", "3.2", "2006", "1", "0.8" };
        const QStringList buttons { "Command6", "Command5", "Command4", "Command7", "Picture1" };
        for (int step = 0; step < 110; ++step) {
            QCOMPARE(QApplication::focusWidget()->objectName(),
                step < 105 ? QStringLiteral("Text1_%1").arg(step + 1) : buttons[step - 105]);
            QTest::keyClicks(QApplication::focusWidget(), typed.value(step));
            if (step == 0) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QTest::qWait(200);
        QCOMPARE(clicks, 2); // データー読み込み and データー入力
        QCOMPARE(window.cell(1)->text(), "2005");
        click(6);
        QCOMPARE(m_program->form().records().RecordCount, 2);

        // As if the window had just come from a screen of ratio 3: the picture takes its screen's ratio back.
        m_program->picture1().resize(m_program->picture1().logicalSize(), 3);
        QTRY_COMPARE(m_program->picture1().image().devicePixelRatio(), window.devicePixelRatioF());
        click(1);
        const QImage image = m_program->picture1().image();
        QCOMPARE(window.picture1()->grab().toImage().convertToFormat(image.format()), image);
        button(7)->setFocus(Qt::TabFocusReason);
        QCOMPARE(colourOf(button(7), 1), colourOf(button(7), 0));
    }

    // "グラフをコピー" and "グラフを印刷…" are available exactly while a graph is drawn; the copy puts the
    // picture's image on the clipboard. The menu opens on a right click and, once, on the Menu key or
    // Shift+F10 while the picture has the focus.
    void pictureMenu_data()
    {
        QTest::addColumn<QString>("clicks"); // the buttons clicked first, by number
        QTest::addColumn<QKeyCombination>("key"); // Qt::Key_unknown: a right click
        QTest::addColumn<bool>("drawn");
        const QKeyCombination rightClick, menuKey(Qt::Key_Menu);
        QTest::newRow("drawn") << "41" << rightClick << true;
        QTest::newRow("cleared") << "419" << rightClick << false;
        QTest::newRow("data input and its end keep the graph") << "41566" << rightClick << true;
        QTest::newRow("a load keeps the graph") << "414" << rightClick << true;
        QTest::newRow("Menu key, drawn") << "41" << menuKey << true;
        QTest::newRow("Shift+F10, drawn") << "41" << (Qt::ShiftModifier | Qt::Key_F10) << true;
        QTest::newRow("Menu key, nothing drawn") << "" << menuKey << false;
    }

    void pictureMenu()
    {
        QFETCH(QString, clicks);
        QFETCH(QKeyCombination, key);
        QFETCH(bool, drawn);
        Form1Window &window = m_program->window();
        m_files.files[u"records.csv"] = testing::recordsText(5);
        m_dialogs.fileNames.assign(2, u"records.csv");
        for (const QChar number : clicks)
            click(number.digitValue());
        if (key == QKeyCombination()) {
            // As the window system delivers it, which is what turns it into a context menu request.
            QTest::mouseClick(window.windowHandle(), Qt::RightButton, {},
                window.picture1()->mapTo(&window, QPoint(400, 300)));
        } else {
            window.picture1()->setFocus(Qt::TabFocusReason);
            sendKey(window.windowHandle(), QEvent::KeyPress, key, false);
            sendKey(window.windowHandle(), QEvent::KeyRelease, key, false);
        }
        QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
        QTest::qWait(50);
        QCOMPARE(std::ranges::count_if(window.findChildren<QMenu *>(), &QWidget::isVisible), qsizetype(1));
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        const QList<QAction *> actions = menu->actions();
        QCOMPARE(actions.first()->text() + "|" + actions.at(1)->text(), "グラフをコピー|グラフを印刷…");
        QCOMPARE(
            std::pair(actions.first()->isEnabled(), actions.at(1)->isEnabled()), std::pair(drawn, drawn));
        actions.first()->trigger();
        menu->close();
        if (drawn)
            QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                m_program->picture1().image());
    }

    // What the command line asks for: a file it names is opened as "データー読み込み" opens the one chosen,
    // and an empty name is a wrong command line. The command line's other cases run against both builds'
    // programs (tests/cross/command_line_cases.txt).
    void readsCommandLine()
    {
        const auto read = [](std::vector<std::u16string> words) {
            words.insert(words.begin(), u"psa-graph");
            return parseCommandLine(words, nativeFileNames());
        };
        for (const CommandLineRequest &wrong : { read({ u"" }), read({ u"--export", u"r.csv", u"" }) })
            QVERIFY(wrong.task == Task::WrongUsage && wrong.error.find(u"名前が空") != std::u16string::npos);

        m_files.files[u"records.csv"] = testing::recordsText(3);
        for (const std::u16string name : { u"", u"records.csv" }) {
            testing::FakeDialogs started, asked;
            Program fromCommandLine(started, m_files), fromDialog(asked, m_files);
            openStartFile(fromCommandLine.form(), name.empty() ? read({}) : read({ name }));
            asked.fileNames.push_back(name);
            fromDialog.form().Command4_Click();
            // The same cells and buttons, as many messages, and no dialog asked (that would have thrown).
            QCOMPARE(fromCommandLine.window().grab().toImage(), fromDialog.window().grab().toImage());
            QCOMPARE(started.messages.size(), asked.messages.size());
        }
    }

    // A failure nobody foresaw gives up that one action with one message, in the export as in the window; the
    // window, what it shows and the files stay as they were.
    void unexpectedFailureIsSaidOnce()
    {
        ThrowingFiles files;
        files.files[u"r.csv"] = testing::recordsText(3);
        files.files[u"g.bmp"] = "BM old";
        testing::RecordingSurface picture1;
        const auto identify = [](std::u16string_view) { return std::optional<FileIdentity>(); };
        const ExportOutcome outcome = exportGraph(picture1, files, identify, u"r.csv", u"g.bmp");
        QVERIFY(
            !outcome.written && outcome.messages == std::vector { std::u16string(kUnexpectedErrorMessage) });

        testing::FakeDialogs dialogs;
        Program program(dialogs, files);
        openStartFile(program.form(), parseCommandLine({ u"psa-graph", u"r.csv" }, nativeFileNames()));
        QCOMPARE(program.form().records().RecordCount, 0);
        QVERIFY(dialogs.messages.size() == 1 && dialogs.messages[0].prompt == kUnexpectedErrorMessage);
        QVERIFY(files.files.at(u"g.bmp") == "BM old");
    }

    // The built program with no display at all exports the bitmap that "グラフ保存" saves from the same file,
    // and says that it took only the first 35 of 36 records.
    void exportsAsWindowSaves()
    {
        const std::string records = testing::recordsText(36);
        QTemporaryDir folder;
        const QString recordPath = folder.filePath("records.csv"), bitmapPath = folder.filePath("graph.bmp");
        QFile recordFile(recordPath);
        QVERIFY(recordFile.open(QIODevice::WriteOnly)
            && recordFile.write(records.data()) == qint64(records.size()));
        recordFile.close();
        for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
            qunsetenv(name);
        QProcess process;
        process.start(QStringLiteral(PSA_GRAPH_PATH), { "--export", recordPath, bitmapPath });
        QVERIFY(process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit);
        QCOMPARE(process.exitCode(), kExitSuccess);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(err.contains("35件"), qPrintable(err));
        QFile bitmapFile(bitmapPath);
        QVERIFY(bitmapFile.open(QIODevice::ReadOnly));

        m_files.files[u"records.csv"] = records;
        m_dialogs.fileNames = { u"records.csv", u"graph.bmp" };
        for (const int number : { 4, 1, 2 })
            click(number);
        QVERIFY2(bitmapFile.readAll() == QByteArray::fromStdString(m_files.files.at(u"graph.bmp")),
            "the exported bitmap differs from the one the window saves");
    }

    // A key held down when a question or a message appears does nothing there, neither its repeats nor its
    // release; a fresh press answers. Return clicks 終了 on its first press and goes on repeating into the
    // exit question, whose default is Yes; Y, Yes by its letter, is held while Return clicks 終了. A message
    // after a failure is shown while the key that chose the file is still held; the Return that closes one
    // message and is still held does not close the next one, which the program makes afresh, very likely
    // where the first one was.
    void heldKeyNeverAnswers_data()
    {
        QTest::addColumn<int>("messages"); // shown one after the other; 0: the exit question instead
        QTest::addColumn<bool>("marked"); // the repeats marked as such
        QTest::addColumn<Qt::Key>("held");
        QTest::newRow("Return on 終了") << 0 << true << Qt::Key_Return;
        QTest::newRow("Y held, Return on 終了") << 0 << true << Qt::Key_Y;
        QTest::newRow("Return into a message, repeats unmarked") << 1 << false << Qt::Key_Return;
        QTest::newRow("Return that closed a message, into the next") << 2 << true << Qt::Key_Return;
    }

    void heldKeyNeverAnswers()
    {
        QFETCH(int, messages);
        QFETCH(bool, marked);
        QFETCH(Qt::Key, held);
        m_program.reset();
        CountingQtDialogs dialogs(nullptr);
        Program program(dialogs, m_files);
        Form1Window &window = program.window();
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QTimer pollFirst, poll;
        bool firstLeftOpen = false, leftOpen = false, openWhileHeld = false;
        const std::function<void(QMessageBox &)> holdInto
            = [&](QMessageBox &box) { openWhileHeld = openAfterHeld(box, held, marked, Qt::Key_Return); };
        if (messages == 2) {
            onFirstBox<QMessageBox>(
                pollFirst,
                [&](QMessageBox &first) {
                    sendKey(first.windowHandle(), QEvent::KeyPress, Qt::Key_Return, false);
                    onFirstBox<QMessageBox>(poll, holdInto, leftOpen);
                },
                firstLeftOpen);
        } else {
            onFirstBox<QMessageBox>(poll, holdInto, leftOpen);
            (messages == 0 ? window.button(Button::Command7) : window.picture1())->setFocus();
            sendKey(window.windowHandle(), QEvent::KeyPress, held, false);
            if (held != Qt::Key_Return) {
                sendKey(window.windowHandle(), QEvent::KeyPress, Qt::Key_Return, false);
                sendKey(window.windowHandle(), QEvent::KeyRelease, Qt::Key_Return, false);
            }
        }
        for (int shown = 0; shown < messages; ++shown)
            dialogs.inform(u"ファイル「a.csv」を保存できませんでした。", u"データー保存");
        QTRY_VERIFY(!poll.isActive()); // the box came and was answered
        QVERIFY2(openWhileHeld, "the held key answered");
        QVERIFY2(!firstLeftOpen && !leftOpen, "a fresh Return did not answer");
        QCOMPARE(dialogs.endRequests, messages == 0 ? 1 : 0);
    }

    // A key pressed in the file dialog repeats there (Left held moves the cursor), but not into the question
    // whether to replace the file that its Return asks: the question stays until a fresh key.
    void keyOfFileDialogDoesNotRepeatIntoItsQuestion()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("records.csv");
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        QtDialogs dialogs(&m_program->window());
        QTimer pollDialog, pollQuestion;
        bool dialogLeftOpen = false, questionLeftOpen = false, openWhileHeld = false;
        int cursorMoved = 0;
        onFirstBox<QFileDialog>(
            pollDialog,
            [&](QFileDialog &dialog) {
                auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                QVERIFY(name && dialog.focusWidget() == name);
                name->setText(path); // the dialog goes to the folder and keeps the name
                const int end = name->cursorPosition();
                sendKey(dialog.windowHandle(), QEvent::KeyPress, Qt::Key_Left, false);
                holdAndRelease(dialog, Qt::Key_Left);
                cursorMoved = end - name->cursorPosition();
                onFirstBox<QMessageBox>(
                    pollQuestion,
                    [&](QMessageBox &question) {
                        openWhileHeld = openAfterHeld(question, Qt::Key_Return, true, Qt::Key_Escape);
                    },
                    questionLeftOpen);
                sendKey(dialog.windowHandle(), QEvent::KeyPress, Qt::Key_Return, false);
                sendKey(dialog.windowHandle(), QEvent::KeyPress, Qt::Key_Escape, false);
            },
            dialogLeftOpen);
        QCOMPARE(dialogs.ShowSave(FileDialogRequest::toSave(u"CSVファイル|*.csv")), u"");
        QCOMPARE(cursorMoved, 6);
        QVERIFY2(openWhileHeld, "the Return held from the file dialog answered its question");
        QVERIFY(!questionLeftOpen && !dialogLeftOpen);
    }

    // Return, Enter or Space held down on a button clicks it once, also where the repeats come unmarked.
    void heldKeyClicksButtonOnce_data()
    {
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<bool>("marked");
        QTest::newRow("Return") << QKeyCombination(Qt::Key_Return) << true;
        QTest::newRow("keypad Enter, repeats unmarked") << (Qt::KeypadModifier | Qt::Key_Enter) << false;
        // A marked repeat of Space Qt's button ignores by itself.
        QTest::newRow("Space, repeats unmarked") << QKeyCombination(Qt::Key_Space) << false;
    }

    void heldKeyClicksButtonOnce()
    {
        QFETCH(QKeyCombination, key);
        QFETCH(bool, marked);
        click(5);
        QSignalSpy clicks(button(6), &QPushButton::clicked);
        button(6)->setFocus();
        sendKey(m_program->window().windowHandle(), QEvent::KeyPress, key, false);
        holdAndRelease(m_program->window(), key, marked);
        QTest::qWait(150);
        QCOMPARE(clicks.size(), 1);
    }

    // The window opens on the first cell, though the picture is the first stop of the Tab round. A button
    // that turns grey while it has the focus hands it to the picture, where Return, Enter and Space press
    // nothing (the next button in the Tab order is often 終了, and two more Returns would end the program;
    // after グラフ消去 it is the first cell, where Space would overwrite the year); Tab goes on to the first
    // cell and Shift+Tab back. A frame in the highlight colour shows the picture's focus. A button turning
    // grey without the focus leaves the focus where it is.
    void focusAndThePicture()
    {
        Form1Window &window = m_program->window();
        QWidget *picture = window.picture1();
        QCOMPARE(QApplication::focusWidget(), window.cell(1));
        QCOMPARE(picture->grab().toImage().pixelColor(1, 1), QColor(Qt::white));
        // A month typed with no year (the cursor stays after what is typed): the input ends with no records,
        // and グラフ表示, whose next stop is 終了, turns grey.
        click(5);
        QTest::keyClicks(window.cell(2), "12");
        QCOMPARE(window.cell(2)->cursorPosition(), 2);
        click(6);
        button(1)->setFocus();
        QTest::keyClick(button(1), Qt::Key_Enter, Qt::KeypadModifier);
        QTRY_VERIFY(!button(1)->isEnabled());
        QCOMPARE(QApplication::focusWidget(), picture);
        const QImage focused = picture->grab().toImage();
        const QColor highlight = picture->palette().color(QPalette::Highlight);
        for (const QPoint corner :
            { QPoint(0, 0), QPoint(1, 1), QPoint(picture->width() - 2, picture->height() - 1) })
            QCOMPARE(focused.pixelColor(focused.devicePixelRatio() * corner), highlight);
        QCOMPARE(focused.pixelColor(focused.devicePixelRatio() * QPoint(400, 3)), QColor(Qt::white));
        QTest::keyClick(picture, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), window.cell(1));
        QTest::keyClick(window.cell(1), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), picture);

        // A value the program puts in a cell shows from its start, however long.
        m_files.files[u"records.csv"] = " 2004, 11, 0.0123456789012\r\n";
        m_dialogs.fileNames.push_back(u"records.csv");
        click(4);
        QCOMPARE(window.cell(3)->cursorPosition(), 0);
        click(1);
        window.cell(2)->setFocus();
        m_program->form().Command9_Click();
        QVERIFY(!button(9)->isEnabled());
        QCOMPARE(QApplication::focusWidget(), window.cell(2));
    }

    // What a screen reader meets: the window as a frame without the hidden template cell, and the picture
    // described by what it shows, which follows drawing and clearing but not later typing.
    void accessibleWindowAndGraph_data()
    {
        QTest::addColumn<int>("records"); // in the file loaded
        QTest::addColumn<QString>("clicks"); // the buttons clicked, by number; t: the last value typed over
        QTest::addColumn<QString>("description");
        const QString nothing = QStringLiteral("PSA値の推移グラフ。何も描かれていません");
        const QString five
            = QStringLiteral("PSA値の推移グラフ。記録5件、2004年1月から2004年5月まで、最後の値 8.2");
        QTest::newRow("loaded, not drawn") << 5 << "4" << nothing;
        QTest::newRow("drawn") << 5 << "41" << five;
        QTest::newRow("drawn, then typing") << 5 << "41t" << five;
        QTest::newRow("cleared") << 5 << "419" << nothing;
        QTest::newRow("one record") << 1 << "41"
                                    << QStringLiteral("PSA値の推移グラフ。記録1件、2004年1月、最後の値 4.2");
    }

    void accessibleWindowAndGraph()
    {
        QFETCH(int, records);
        QFETCH(QString, clicks);
        Form1Window &window = m_program->window();
        m_files.files[u"records.csv"] = testing::recordsText(records);
        m_dialogs.fileNames.push_back(u"records.csv");
        for (const QChar step : clicks)
            step == 't' ? QTest::keyClicks(window.cell(3 * records), "1") : click(step.digitValue());
        QAccessibleInterface *frame = QAccessible::queryAccessibleInterface(&window);
        QCOMPARE(frame->role(), QAccessible::Window);
        int pictures = 0;
        for (int index = 0; index < frame->childCount(); ++index) {
            QVERIFY(frame->child(index)->object() != window.cell(0));
            QCOMPARE(frame->indexOfChild(frame->child(index)), index);
            pictures += frame->child(index)->object() == window.picture1();
        }
        QCOMPARE(pictures, 1);
        QTEST(QAccessible::queryAccessibleInterface(window.picture1())->text(QAccessible::Description),
            "description");
    }

private:
    QPushButton *button(int number) { return m_program->window().button(Button(number)); }
    void click(int number) { QTest::mouseClick(button(number), Qt::LeftButton); }

    testing::FakeDialogs m_dialogs;
    testing::FakeFileSystem m_files;
    std::unique_ptr<Program> m_program;
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
