#include <QtTest>

class Test_records : public QObject {
    Q_OBJECT
};

QTEST_GUILESS_MAIN(Test_records)
#include "test_records.moc"
