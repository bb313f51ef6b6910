// The file dialog browsing folders whose files could block a reader for ever (/proc, /dev, named pipes): the
// window's event loop must keep answering (a dialog that blocks it for good ends in the test's time-out), and
// no entry's type may come from its contents.

#include "platform/qt/qt_file_dialog.h"

#include <QtTest>
#include <QtWidgets>

#include <sys/stat.h>

using namespace psa;

namespace {

// The longest pause of the event loop while it runs for `milliseconds`.
qint64 longestPause(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    qint64 longest = 0;
    QTimer ping;
    ping.callOnTimeout([&] { longest = std::max(longest, clock.restart()); });
    ping.start(10);
    QTest::qWait(milliseconds);
    return std::max(longest, clock.elapsed());
}

} // namespace

class TestFileDialog : public QObject {
    Q_OBJECT

private slots:
    void browsingNeverBlocks_data()
    {
        QTest::addColumn<QString>("folder"); // empty: a temporary folder with named pipes
        QTest::newRow("/proc, whose kmsg blocks a reader") << "/proc";
        QTest::newRow("/dev") << "/dev";
        QTest::newRow("named pipes, a PNG without extension") << QString();
    }

    void browsingNeverBlocks()
    {
        QFETCH(QString, folder);
        QTemporaryDir pipes;
        if (folder.isEmpty()) {
            folder = pipes.path();
            for (const char *name : { "pipe", "pipe.csv", "pipe.xyz" })
                QVERIFY(::mkfifo(QFile::encodeName(pipes.filePath(name)).constData(), 0666) == 0);
            QFile picture(pipes.filePath("picture"));
            QVERIFY(picture.open(QIODevice::WriteOnly)
                && picture.write("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) == 16);
        }

        {
            QtFileDialog shown(nullptr, FileDialogRequest::toLoad(u"CSVファイル|*.csv"));
            QFileDialog &dialog = shown.dialog();
            QVERIFY(dialog.testOption(QFileDialog::DontConfirmOverwrite));
            QCOMPARE(dialog.nameFilters(), QStringList { "CSVファイル (*.csv)" });
            dialog.open();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            // Every entry listed, so that the model looks at each and has a type for each.
            dialog.setNameFilter("すべて (*)");
            // Typed as a user would: the completer and the list look into the folder as it is typed.
            QTest::keyClicks(dialog.findChild<QLineEdit *>("fileNameEdit"), folder + "/");
            QVERIFY2(longestPause(1500) < 1000, "the event loop paused for a second or more");

            if (folder == pipes.path()) {
                const auto *model = dialog.findChild<QFileSystemModel *>();
                // The type comes from the name: a PNG's first bytes would have made it an image.
                QTRY_COMPARE(model->type(model->index(pipes.filePath("picture"))), "ファイル");
            }
            dialog.reject();
        }
        // Closing the dialog waits for its file-information thread, which must not be stuck either.
        QVERIFY(longestPause(100) < 1000);
    }
};

QTEST_MAIN(TestFileDialog)
#include "test_file_dialog.moc"
