#include <QtTest>

class Test_graph : public QObject {
    Q_OBJECT
};

QTEST_GUILESS_MAIN(Test_graph)
#include "test_graph.moc"
