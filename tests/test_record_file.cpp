#include <QtTest>

class Test_record_file : public QObject {
    Q_OBJECT
};

QTEST_GUILESS_MAIN(Test_record_file)
#include "test_record_file.moc"
