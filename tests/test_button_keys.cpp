// Return and Enter on the real window's buttons: the focused button is clicked, a grey one does nothing, and
// in a grid cell Return still clicks no button.

#include "app/application.h"
#include "support/fake_dialogs.h"
#include "support/fake_file_system.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>
#include <vector>

using namespace psa;

namespace {

// The program on the offscreen screen with every button's clicks counted.
struct Shown {
    Shown()
        : program(dialogs, files)
    {
        // Answers for whichever button asks: the file dialogs are cancelled, "終了" is answered No.
        dialogs.fileNames.assign(3, u"");
        dialogs.answers.assign(1, MsgBoxAnswer::No);
        program.window().show();
        QApplication::setActiveWindow(&program.window());
        for (int number = 1; number <= 9; ++number)
            clicks.push_back(std::make_unique<QSignalSpy>(button(number), &QPushButton::clicked));
    }
    QPushButton *button(int number) { return program.window().button(Button(number)); }
    // Records typed, input ended and the graph drawn: all nine buttons can be clicked.
    void makeAllAvailable()
    {
        QTest::mouseClick(button(5), Qt::LeftButton);
        QTest::keyClicks(program.window().cell(1), "2005");
        QTest::mouseClick(button(6), Qt::LeftButton);
        QTest::mouseClick(button(1), Qt::LeftButton);
        for (auto &spy : clicks)
            spy->clear();
    }
    // The clicks of each button, "0" or more per button from Command1 on.
    QString clickCounts() const
    {
        QString counts;
        for (const auto &spy : clicks)
            counts += QString::number(spy->count());
        return counts;
    }

    testing::FakeDialogs dialogs;
    testing::FakeFileSystem files;
    Program program;
    std::vector<std::unique_ptr<QSignalSpy>> clicks;
};

} // namespace

class TestButtonKeys : public QObject {
    Q_OBJECT

private slots:
    void returnPressesTheFocusedButton_data();
    void returnPressesTheFocusedButton();
    void greyButtonsAndCellsClickNothing();
};

void TestButtonKeys::returnPressesTheFocusedButton_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    for (int number = 1; number <= 9; ++number) {
        QTest::addRow("Return on Command%d", number) << number << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::addRow("Enter on Command%d", number)
            << number << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    }
}

void TestButtonKeys::returnPressesTheFocusedButton()
{
    QFETCH(int, number);
    QFETCH(int, key);
    QFETCH(int, modifiers);

    Shown shown;
    QVERIFY(QTest::qWaitForWindowActive(&shown.program.window()));
    shown.makeAllAvailable();
    shown.button(number)->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(shown.button(number)->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QString expected(9, u'0');
    expected[number - 1] = u'1';
    QTRY_COMPARE_WITH_TIMEOUT(shown.clickCounts(), expected, 1000);
    // Once only, also when the key is held down and repeats.
    QKeyEvent repeated(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), QString(), true);
    QApplication::sendEvent(QApplication::focusWidget(), &repeated);
    QTest::qWait(300);
    QCOMPARE(shown.clickCounts(), expected);
}

void TestButtonKeys::greyButtonsAndCellsClickNothing()
{
    Shown shown;
    QVERIFY(QTest::qWaitForWindowActive(&shown.program.window()));
    // Right after start-up "グラフ表示" is grey.
    QVERIFY(!shown.button(1)->isEnabled());
    QTest::keyClick(shown.button(1), Qt::Key_Return);
    QTest::keyClick(shown.button(1), Qt::Key_Enter, Qt::KeypadModifier);

    // Return in a cell keeps the focus and the text where they are.
    QTest::mouseClick(shown.button(5), Qt::LeftButton);
    QWidget *cell = shown.program.window().cell(1);
    QTRY_COMPARE(QApplication::focusWidget(), cell);
    QTest::keyClicks(cell, "2004");
    QTest::keyClick(cell, Qt::Key_Return);
    QTest::keyClick(cell, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::qWait(300);
    QCOMPARE(shown.clickCounts(), "000010000");
    QCOMPARE(QApplication::focusWidget(), cell);
    QCOMPARE(shown.program.window().cell(1)->text(), "2004");
    QCOMPARE(shown.program.form().records().RecordTable.at(1, 1), 2004.0);
}

QTEST_MAIN(TestButtonKeys)
#include "test_button_keys.moc"
