#include <QtTest>

class Test_image_surface : public QObject {
    Q_OBJECT
};

QTEST_GUILESS_MAIN(Test_image_surface)
#include "test_image_surface.moc"
