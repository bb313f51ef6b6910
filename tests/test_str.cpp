#include <QtTest>

class Test_str : public QObject {
    Q_OBJECT
};

QTEST_GUILESS_MAIN(Test_str)
#include "test_str.moc"
