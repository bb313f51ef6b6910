// The graph printed from the window: the drawing kept as shapes beside the pixels, a print to a PDF file
// rendered with poppler's tools (its page, where the drawing and the footer land on it, what the footer
// says), and a print that fails or is cancelled.

#include "app/print_page.h"
#include "platform/qt/application.h"
#include "platform/qt/graph_printing.h"
#include "platform/qt/picture_box.h"
#include "platform/qt/qt_surface.h"
#include "platform/vector_documents.h"
#include "support/example_records.h"
#include "support/fake_dialogs.h"
#include "support/fake_file_system.h"
#include "support/form_rig.h"
#include "support/run_tool.h"

#include <QDate>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace psa;
using psa::testing::runTool;

namespace {

bool isRed(QRgb pixel)
{
    return qRed(pixel) > 200 && qGreen(pixel) < 120 && qBlue(pixel) < 120;
}
bool isInk(QRgb pixel)
{
    return qRed(pixel) < 230 || qGreen(pixel) < 230 || qBlue(pixel) < 230;
}

// Whether a dot that passes `is` lies within a dot of `at`.
bool foundNear(const QImage &page, QPointF at, bool (*is)(QRgb))
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (const QPoint dot(int(at.x()) + dx, int(at.y()) + dy);
                page.rect().contains(dot) && is(page.pixel(dot)))
                return true;
    return false;
}

// Text as read back from a PDF, to compare: the embedded face maps 日 and 月 to the look-alike radicals ⽇
// and ⽉, which compatibility normalisation turns back; blanks depend on how the reader lays out the line.
QString withoutBlanks(const QString &text)
{
    return text.normalized(QString::NormalizationForm_KC).remove(QRegularExpression("\\s"));
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useJapaneseDefaultFont();
        for (const QString tool : { "pdftoppm", "pdftotext" })
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + " is not installed (scripts/install-deps)"));
    }

    // Printed to a PDF file: a landscape page of the printer's paper, the drawing's lines where the layout
    // puts them, red ones red, and nothing outside it but the footer, which names the record file and today.
    // A print that cannot be made says why and leaves no file: a folder that does not exist, a page too
    // small for the graph; a cancelled one says nothing.
    void printsGraphToPdf_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QPageSize>("pageSize");
        QTest::addColumn<QString>("message");
        QTest::newRow("letter paper") << "graph.pdf" << QPageSize(QPageSize::Letter) << "";
        QTest::newRow("no such folder") << "missing/graph.pdf" << QPageSize(QPageSize::A4)
                                        << QString::fromStdU16String(std::u16string(kPrintFailedReason));
        QTest::newRow("a label too small") << "graph.pdf" << QPageSize(QSizeF(30, 20), QPageSize::Millimeter)
                                           << QString::fromStdU16String(std::u16string(kPageTooSmallReason));
        QTest::newRow("cancelled") << "" << QPageSize(QPageSize::A4) << "";
    }

    void printsGraphToPdf()
    {
        QFETCH(QString, file);
        QFETCH(QPageSize, pageSize);
        QFETCH(QString, message);
        QTemporaryDir folder;
        const QString pdfPath = file.isEmpty() ? QString() : folder.filePath(file);
        testing::FakeDialogs dialogs;
        testing::FakeFileSystem files;
        files.files[u"records.csv"] = testing::kSaved.toStdString();
        dialogs.fileNames.push_back(u"records.csv");
        PrintedPage printed;
        Program program(dialogs, files);
        Form1Window &window = program.window();
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        static_cast<PictureBox *>(window.picture1())->choosePrinter = [&](QPrinter &printer) {
            if (pdfPath.isEmpty())
                return false;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdfPath);
            printer.setResolution(300);
            printer.setPageSize(pageSize);
            const QPageLayout layout = printer.pageLayout();
            const QRect paper = layout.fullRectPixels(300), printable = layout.paintRectPixels(300);
            printed = { double(paper.width()), double(paper.height()),
                { double(printable.left()), double(printable.top()), double(printable.width()),
                    double(printable.height()) },
                300 };
            return true;
        };
        // Loaded and drawn, cleared and drawn again: the shapes are the graph's alone.
        for (const Button button : { Button::Command4, Button::Command1, Button::Command9, Button::Command1 })
            QTest::mouseClick(window.button(button), Qt::LeftButton);
        QVERIFY(program.picture1().hasDrawing());
        testing::FormRig<testing::PrintingVectorSurface> shapes;
        shapes.fake.files[u"records.csv"] = testing::kSaved.toStdString();
        shapes.click(&Form1::Command4_Click, "records.csv");
        shapes.form.Command1_Click();
        QCOMPARE(*svgDocument(program.drawing()), *svgDocument(shapes.picture.drawing()));
        const QDate today = QDate::currentDate();
        // Printed from the picture's menu, opened by a right click.
        QTest::mouseClick(
            window.windowHandle(), Qt::RightButton, {}, window.picture1()->mapTo(&window, QPoint(400, 300)));
        QMenu *menu = nullptr;
        QVERIFY(QTest::qWaitFor(
            [&menu] { return (menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())); }, 5000));
        QVERIFY(menu->actions().size() >= 2 && menu->actions().at(1)->isEnabled());
        menu->actions().at(1)->trigger();
        menu->close();
        QCOMPARE(dialogs.messages.size(), std::size_t(message.isEmpty() ? 0 : 1));
        QVERIFY(message.isEmpty() || QString::fromStdU16String(dialogs.messages[0].prompt) == message);
        if (!message.isEmpty() || file.isEmpty()) {
            QVERIFY(!QFile::exists(pdfPath));
            return;
        }

        const auto [textStatus, text] = runTool("pdftotext", { pdfPath, "-" });
        const QString footer = QString::fromStdU16String(
            printFooter(u"records.csv", { today.year(), today.month(), today.day() }));
        QVERIFY2(textStatus == 0 && withoutBlanks(text).contains(withoutBlanks(footer)), qPrintable(text));

        // Rendered at 72 dots an inch, one dot a point.
        const QString picture = folder.filePath("page");
        QCOMPARE(runTool("pdftoppm", { "-r", "72", "-png", "-singlefile", pdfPath, picture }).first, 0);
        const QImage page(picture + ".png");
        const QSizeF portrait = pageSize.size(QPageSize::Point);
        QVERIFY2(std::abs(page.width() - portrait.height()) < 1.5
                && std::abs(page.height() - portrait.width()) < 1.5,
            qPrintable(QString("%1 x %2").arg(page.width()).arg(page.height())));
        const PrintLayout layout = printLayout(printed, 849, 521);
        const double toPoints = 72 / printed.dotsPerInch;
        const double scale = layout.drawing.width / 849;
        const auto onPage = [&](QPointF p) {
            return (QPointF(layout.drawing.left, layout.drawing.top) + p * scale) * toPoints;
        };
        const QRectF drawing(onPage({ 0, 0 }), onPage({ 849, 521 }));
        const QRectF footerBox(layout.footer.left * toPoints, layout.footer.top * toPoints,
            layout.footer.width * toPoints, layout.footer.height * toPoints);

        // Every line of the drawing where the layout maps it: most of its dots are inked, red ones red.
        for (const VectorShape &shape : program.drawing().shapes) {
            const auto *line = std::get_if<VectorLine>(&shape);
            if (!line || line->from == line->to)
                continue;
            const bool red = line->colour == kRed;
            int missing = 0;
            for (double t = 0.05; t < 1; t += 0.05) {
                const QPointF from(line->from.x, line->from.y), to(line->to.x, line->to.y);
                missing += foundNear(page, onPage(from + (to - from) * t), red ? isRed : isInk) ? 0 : 1;
            }
            QVERIFY2(missing <= 1,
                qPrintable(QString("a line from %1,%2 is missing").arg(line->from.x).arg(line->from.y)));
        }
        // Nothing outside the drawing but the footer's text, inside its box.
        bool footerInked = false;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QPointF centre(x + 0.5, y + 0.5);
                if (!isInk(page.pixel(x, y)) || drawing.adjusted(-2, -2, 2, 2).contains(centre))
                    continue;
                QVERIFY2(footerBox.adjusted(-2, -2, 2, 2).contains(centre),
                    qPrintable(QString("ink at %1,%2, outside the drawing and its footer").arg(x).arg(y)));
                footerInked = true;
            }
        QVERIFY(footerInked);
    }
};

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
