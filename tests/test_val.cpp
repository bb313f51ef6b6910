#include <QtTest>

class Test_val : public QObject {
    Q_OBJECT
};

QTEST_GUILESS_MAIN(Test_val)
#include "test_val.moc"
