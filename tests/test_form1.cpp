#include <QtTest>

class Test_form1 : public QObject {
    Q_OBJECT
};

QTEST_GUILESS_MAIN(Test_form1)
#include "test_form1.moc"
