// The picture's context menu on the offscreen platform: 「グラフをコピー」 is available exactly while a graph
// is drawn, and puts the picture's image on the clipboard.

#include "app/application.h"
#include "support/fake_dialogs.h"
#include "support/fake_file_system.h"
#include "support/record_files.h"

#include <QClipboard>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

using namespace psa;

class TestPictureMenu : public QObject {
    Q_OBJECT

private slots:
    void copiesOnlyDrawnGraph_data();
    void copiesOnlyDrawnGraph();
};

void TestPictureMenu::copiesOnlyDrawnGraph_data()
{
    QTest::addColumn<QString>("clicks"); // buttons clicked after start-up, by number
    QTest::addColumn<bool>("available");

    QTest::newRow("at start-up") << "" << false;
    QTest::newRow("records loaded, no graph yet") << "4" << false;
    QTest::newRow("graph shown") << "41" << true;
    QTest::newRow("graph cleared") << "419" << false;
    QTest::newRow("shown again after clearing") << "4191" << true;
    QTest::newRow("empty input: graph kept on the picture") << "41566" << true;
    QTest::newRow("new records loaded: graph kept on the picture") << "414" << true;
}

void TestPictureMenu::copiesOnlyDrawnGraph()
{
    QFETCH(QString, clicks);
    QFETCH(bool, available);

    testing::FakeFileSystem files;
    files.files[u"records.csv"] = testing::recordsText(5);
    testing::FakeDialogs dialogs;
    Program program(dialogs, files);
    program.window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&program.window()));
    for (const QChar click : clicks) {
        dialogs.fileNames.push_back(u"records.csv");
        QTest::mouseClick(program.window().button(Button(click.digitValue())), Qt::LeftButton);
    }
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));

    // A right click as the window system delivers it, which is what turns it into a context menu request.
    const QPoint inPicture = program.window().picture1()->mapTo(&program.window(), QPoint(400, 300));
    QTest::mouseClick(program.window().windowHandle(), Qt::RightButton, {}, inPicture);
    QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QCOMPARE(menu->actions().size(), 1);
    QAction *copy = menu->actions().first();
    QCOMPARE(copy->text(), QStringLiteral("グラフをコピー"));
    QCOMPARE(copy->isEnabled(), available);

    copy->trigger();
    menu->close();
    const QImage copied = QGuiApplication::clipboard()->image();
    if (available) {
        QCOMPARE(copied.convertToFormat(QImage::Format_RGB32), program.picture1().image());
        QCOMPARE(copied.size(), QSize(849, 521));
    } else {
        QVERIFY(copied.isNull());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    }
    QVERIFY(dialogs.messages.empty());
}

QTEST_MAIN(TestPictureMenu)
#include "test_picture_menu.moc"
