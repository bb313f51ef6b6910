#include <QtTest>

class Test_window : public QObject {
    Q_OBJECT
};

QTEST_GUILESS_MAIN(Test_window)
#include "test_window.moc"
