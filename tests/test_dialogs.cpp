// The file dialog of "データー読み込み" browsing folders whose files could block a reader for ever (/proc,
// /dev, named pipes): the window's event loop must keep answering (a dialog that blocks it for good ends in
// the test's time-out), and no entry's type may come from its contents. The exit question's default answer.

#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_file_dialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

// The longest pause of the event loop while it runs for `milliseconds`.
qint64 longestPause(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longest = 0;
    QTimer ping;
    ping.callOnTimeout([&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    ping.start(10);
    QTest::qWait(milliseconds);
    return std::max(longest, clock.elapsed() - last);
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void browsingNeverBlocks_data();
    void browsingNeverBlocks();
    void exitQuestionDefaultsToYes();
};

void TestDialogs::browsingNeverBlocks_data()
{
    QTest::addColumn<QString>("folder"); // empty: a temporary folder with named pipes
    QTest::newRow("/proc, whose kmsg blocks a reader") << "/proc";
    QTest::newRow("/dev") << "/dev";
    QTest::newRow("named pipes, a PNG without extension") << QString();
}

void TestDialogs::browsingNeverBlocks()
{
    QFETCH(QString, folder);
    QTemporaryDir pipes;
    if (folder.isEmpty()) {
        folder = pipes.path();
        for (const char *name : { "pipe", "pipe.csv", "pipe.xyz" })
            QVERIFY(::mkfifo(QFile::encodeName(pipes.filePath(name)).constData(), 0666) == 0);
        QFile png(pipes.filePath("picture"));
        QVERIFY(png.open(QIODevice::WriteOnly) && png.write("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) == 16);
        png.close();
    }

    {
        psa::QtFileDialog shown(nullptr, psa::FileDialogRequest::toLoad(u"CSVファイル|*.csv"));
        QFileDialog &dialog = shown.dialog();
        QVERIFY(dialog.testOption(QFileDialog::DontConfirmOverwrite));
        dialog.open();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *fileName = dialog.findChild<QLineEdit *>("fileNameEdit");
        QVERIFY(fileName);
        // Every entry listed, so that the model has a type for each.
        if (folder == pipes.path())
            dialog.setNameFilter("すべて (*)");
        // Typed as a user would: the completer and the list look into the folder as it is typed.
        QTest::keyClicks(fileName, folder + "/");
        QVERIFY2(longestPause(1500) < 1000, "the event loop paused for a second or more");

        if (folder == pipes.path()) {
            auto *model = dialog.findChild<QFileSystemModel *>();
            QVERIFY(model);
            const QModelIndex picture = model->index(pipes.filePath("picture"));
            // The type comes from the name: a PNG's first bytes would have made it an image.
            QTRY_COMPARE(model->type(picture), "ファイル");
        }
        dialog.reject();
    }
    // Closing the dialog waits for its file-information thread, which must not be stuck either.
    QVERIFY(longestPause(100) < 1000);
}

// Enter answers the question with its default button.
void TestDialogs::exitQuestionDefaultsToYes()
{
    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); });
    QCOMPARE(psa::QtDialogs(nullptr).AskYesNo(u"終了しますか？", u"終了"), psa::MsgBoxAnswer::Yes);
}

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
