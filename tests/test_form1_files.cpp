#include <QtTest>

class Test_form1_files : public QObject {
    Q_OBJECT
};

QTEST_GUILESS_MAIN(Test_form1_files)
#include "test_form1_files.moc"
