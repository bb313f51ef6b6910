// The floor for the export: the least any Qt program that draws text into a bitmap does. It starts a
// QGuiApplication, draws one line and one text on an 849 x 521 image and writes it as a BMP.
//
//   minimal_export IMAGE.bmp
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    if (argc != 2)
        return 2;
    QImage image(849, 521, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.drawLine(40, 470, 900, 50);
        painter.drawText(QPointF(10, 500), QStringLiteral(" 2005 "));
    }
    return image.save(QString::fromLocal8Bit(argv[1]), "BMP") ? 0 : 1;
}
