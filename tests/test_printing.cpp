// The graph printed and copied from the window: the drawing kept as shapes beside the pixels, a print to a
// PDF file checked with qpdf and poppler's tools (its page, where the drawing and the footer land on it, what
// the footer says), printing from the picture's menu by keyboard, a print that fails, and the SVG copy.

#include "app/print_page.h"
#include "numbers/str_form.h"
#include "platform/mirrored_surface.h"
#include "platform/qt/application.h"
#include "platform/qt/graph_printing.h"
#include "platform/qt/picture_box.h"
#include "platform/qt/qt_surface.h"
#include "platform/vector_documents.h"
#include "support/example_records.h"
#include "support/fake_dialogs.h"
#include "support/fake_file_system.h"
#include "support/form_rig.h"

#include <QClipboard>
#include <QDate>
#include <QMenu>
#include <QMimeData>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace psa;

namespace {

struct PixelsAndShapes {
    ImageSurface pixels;
    VectorSurface shapes { printForm };
};

// The window's picture as the program puts it together: pixels and shapes behind one surface.
struct Mirrored : private PixelsAndShapes, public MirroredSurface {
    Mirrored()
        : MirroredSurface(pixels, shapes)
    {
    }
    using PixelsAndShapes::pixels;
    using PixelsAndShapes::shapes;
};

struct PrintingVectorSurface : VectorSurface {
    PrintingVectorSurface()
        : VectorSurface(printForm)
    {
    }
};

QStringList seriesOf(int records)
{
    QStringList cells;
    for (int i = 0; i < records; ++i)
        cells << QString::number(2000 + i / 4) << QString::number(1 + 3 * (i % 4))
              << QString::number(0.02 * std::pow(10.0, (i % 12) / 3.0), 'g', 4);
    return cells;
}

struct Run {
    int exitCode = -1;
    QByteArray output;
};

Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    Run result;
    if (process.waitForStarted(10000) && process.waitForFinished(20000))
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = process.readAllStandardOutput() + process.readAllStandardError();
    return result;
}

bool isRed(QRgb pixel)
{
    return qRed(pixel) > 200 && qGreen(pixel) < 120 && qBlue(pixel) < 120;
}
bool isInk(QRgb pixel)
{
    return qRed(pixel) < 230 || qGreen(pixel) < 230 || qBlue(pixel) < 230;
}
bool isDark(QRgb pixel)
{
    return qRed(pixel) < 150 && qGreen(pixel) < 150 && qBlue(pixel) < 150;
}

// The page as the printer was set up when it printed, in its device units.
PrintedPage pageOf(const QPrinter &printer)
{
    const int dpi = printer.resolution();
    const QRect paper = printer.pageLayout().fullRectPixels(dpi);
    const QRect printable = printer.pageLayout().paintRectPixels(dpi);
    return { double(paper.width()), double(paper.height()),
        { double(printable.left()), double(printable.top()), double(printable.width()),
            double(printable.height()) },
        double(dpi) };
}

// Text as read back from a PDF, to compare: the embedded face maps 日 and 月 to the look-alike radicals ⽇
// and ⽉, which compatibility normalisation turns back; blanks depend on how the reader lays out the line.
QString withoutBlanks(const QString &text)
{
    return text.normalized(QString::NormalizationForm_KC).remove(QRegularExpression(QStringLiteral("\\s")));
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useJapaneseDefaultFont();
        for (const char *tool : { "qpdf", "pdfinfo", "pdftoppm", "pdftotext" })
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed (scripts/install-deps)").arg(tool)));
    }

    void init()
    {
        m_dialogs = {};
        m_files = {};
        m_files.files[u"records.csv"] = testing::kSaved.toStdString();
        m_program = std::make_unique<Program>(m_dialogs, m_files);
        m_program->window().show();
        QVERIFY(QTest::qWaitForWindowActive(&m_program->window()));
        pictureBox().choosePrinter = [this](QPrinter &printer) {
            ++m_printerChoices;
            if (m_pdfPath.isEmpty())
                return false;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(m_pdfPath);
            printer.setResolution(300);
            if (m_pageSize.isValid())
                printer.setPageSize(m_pageSize);
            m_page = pageOf(printer);
            return true;
        };
        m_printerChoices = 0;
        m_pdfPath.clear();
        m_pageSize = {};
    }
    void cleanup() { m_program.reset(); }

    // Drawn, redrawn and cleared through both surfaces at once, the pixels are those of the pixel surface
    // alone, byte for byte, and the shapes those of the vector surface alone.
    void mirrorsDrawingOnBoth_data()
    {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QString>("clicks"); // after typing and drawing: 1 draws again, 9 clears
        QTest::newRow("three records") << testing::kExample << "";
        QTest::newRow("thirty-five records") << seriesOf(35) << "";
        QTest::newRow("drawn twice") << seriesOf(35) << "1";
        QTest::newRow("cleared") << seriesOf(35) << "9";
        QTest::newRow("cleared and drawn again") << testing::kExample << "91";
    }

    void mirrorsDrawingOnBoth()
    {
        QFETCH(QStringList, cells);
        QFETCH(QString, clicks);
        testing::FormRig<Mirrored> both;
        testing::FormRig<ImageSurface> pixels;
        testing::FormRig<PrintingVectorSurface> shapes;
        both.type(cells);
        pixels.type(cells);
        shapes.type(cells);
        for (const QChar click : clicks) {
            const auto handler = click == '1' ? &Form1::Command1_Click : &Form1::Command9_Click;
            (both.form.*handler)();
            (pixels.form.*handler)();
            (shapes.form.*handler)();
        }
        const Result<std::string> bitmap = both.picture.bitmapBytes();
        QVERIFY(bitmap);
        QVERIFY(*bitmap == *pixels.picture.bitmapBytes());
        QCOMPARE(both.picture.pixels.hasDrawing(), pixels.picture.hasDrawing());
        QCOMPARE(both.picture.pixels.autoRedraw(), pixels.picture.autoRedraw());
        QCOMPARE(both.picture.shapes.autoRedraw(), pixels.picture.autoRedraw());
        QCOMPARE(both.picture.drawing().shapes.size(), shapes.picture.drawing().shapes.size());
        QVERIFY(*svgDocument(both.picture.drawing()) == *svgDocument(shapes.picture.drawing()));
    }

    // Printed to a PDF file: one landscape page of the printer's paper that qpdf finds sound, the red lines
    // and the frame where the layout puts the drawing and nothing outside it, and under it the footer with
    // the record file and today's date.
    void printsGraphToPdf_data()
    {
        QTest::addColumn<QPageSize>("pageSize");
        QTest::newRow("A4") << QPageSize(QPageSize::A4);
        QTest::newRow("Letter") << QPageSize(QPageSize::Letter);
        QTest::newRow("A5") << QPageSize(QPageSize::A5);
    }

    void printsGraphToPdf()
    {
        QFETCH(QPageSize, pageSize);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        m_pdfPath = folder.filePath(QStringLiteral("graph.pdf"));
        m_pageSize = pageSize;
        loadAndDraw();
        const QDate today = QDate::currentDate();
        QVERIFY(triggerPrint());
        QVERIFY2(m_dialogs.messages.empty(), "a message after printing");

        const Run check = run(QStringLiteral("qpdf"), { QStringLiteral("--check"), m_pdfPath });
        QVERIFY2(check.exitCode == 0, check.output.constData());
        const Run info = run(QStringLiteral("pdfinfo"), { m_pdfPath });
        QCOMPARE(info.exitCode, 0);
        const QRegularExpressionMatch size
            = QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts"))
                  .match(QString::fromUtf8(info.output));
        QVERIFY2(size.hasMatch(), info.output.constData());
        QVERIFY(QRegularExpression(QStringLiteral("Pages:\\s+1\n"))
                    .match(QString::fromUtf8(info.output))
                    .hasMatch());
        const QSizeF portrait = pageSize.size(QPageSize::Point);
        QVERIFY(std::abs(size.captured(1).toDouble() - portrait.height()) < 1);
        QVERIFY(std::abs(size.captured(2).toDouble() - portrait.width()) < 1);

        const Run text = run(QStringLiteral("pdftotext"), { m_pdfPath, QStringLiteral("-") });
        QCOMPARE(text.exitCode, 0);
        const QString footer = QString::fromStdU16String(
            printFooter(u"records.csv", { today.year(), today.month(), today.day() }));
        QVERIFY2(withoutBlanks(QString::fromUtf8(text.output)).contains(withoutBlanks(footer)),
            text.output.constData());

        // Rendered at 72 dots an inch, one dot a point.
        const QString picture = folder.filePath(QStringLiteral("page"));
        QCOMPARE(run(QStringLiteral("pdftoppm"),
                     { QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
                         QStringLiteral("-singlefile"), m_pdfPath, picture })
                     .exitCode,
            0);
        const QImage page(picture + QStringLiteral(".png"));
        QVERIFY(!page.isNull());
        const PrintLayout layout = printLayout(m_page, 849, 521);
        QVERIFY(layout.fits);
        const double toPoints = 72 / m_page.dotsPerInch;
        const double scale = layout.drawing.width / 849;
        const auto pageX = [&](double x) { return (layout.drawing.left + x * scale) * toPoints; };
        const auto pageY = [&](double y) { return (layout.drawing.top + y * scale) * toPoints; };
        const QRectF drawing(
            pageX(0), pageY(0), layout.drawing.width * toPoints, layout.drawing.height * toPoints);
        const QRectF footerBox(layout.footer.left * toPoints, layout.footer.top * toPoints,
            layout.footer.width * toPoints, layout.footer.height * toPoints);

        // Every line of the drawing where the layout maps it: most of its dots are inked, red ones red.
        const VectorDrawing &shapes = m_program->drawing();
        int redLines = 0;
        for (const VectorShape &shape : shapes.shapes) {
            const auto *line = std::get_if<VectorLine>(&shape);
            if (!line || line->from == line->to)
                continue;
            const bool red = line->colour == kRed;
            redLines += red;
            int steps = 0, found = 0;
            for (double t = 0.05; t < 1; t += 0.05, ++steps) {
                const QPointF at(pageX(line->from.x + t * (line->to.x - line->from.x)),
                    pageY(line->from.y + t * (line->to.y - line->from.y)));
                bool inked = false;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const QPoint dot(int(at.x()) + dx, int(at.y()) + dy);
                        inked = inked
                            || (page.rect().contains(dot)
                                && (red ? isRed(page.pixel(dot)) : isInk(page.pixel(dot))));
                    }
                found += inked;
            }
            QVERIFY2(found * 10 >= steps * 9,
                qPrintable(QStringLiteral("a line from %1,%2 to %3,%4 is missing on the page")
                               .arg(line->from.x)
                               .arg(line->from.y)
                               .arg(line->to.x)
                               .arg(line->to.y)));
        }
        QCOMPARE(redLines, 2);
        // Nothing outside the drawing but the footer's dark text, inside its box.
        bool footerInked = false;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QRgb dot = page.pixel(x, y);
                if (!isInk(dot) || drawing.adjusted(-2, -2, 2, 2).contains(QPointF(x + 0.5, y + 0.5)))
                    continue;
                QVERIFY2(footerBox.adjusted(-2, -2, 2, 2).contains(QPointF(x + 0.5, y + 0.5)),
                    qPrintable(
                        QStringLiteral("ink at %1,%2, outside the drawing and its footer").arg(x).arg(y)));
                footerInked = footerInked || isDark(dot);
            }
        QVERIFY(footerInked);
    }

    // Without a record file the footer says that the records were not saved.
    void footerWithoutRecordFile()
    {
        QTemporaryDir folder;
        m_pdfPath = folder.filePath(QStringLiteral("graph.pdf"));
        typeAndDraw();
        QVERIFY(triggerPrint());
        const Run text = run(QStringLiteral("pdftotext"), { m_pdfPath, QStringLiteral("-") });
        QVERIFY2(withoutBlanks(QString::fromUtf8(text.output))
                     .contains(QStringLiteral("記録はファイルに保存されていません")),
            text.output.constData());
    }

    // The menu's print item from the keyboard: Shift+F10 on the picture, two arrows down, Return.
    void printsFromKeyboard()
    {
        loadAndDraw();
        Form1Window &window = m_program->window();
        window.picture1()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(window.picture1(), Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QCOMPARE(menu->actions().size(), 2);
        QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("グラフを印刷…"));
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QTRY_COMPARE(m_printerChoices, 1);
        // Cancelled: nothing printed, nothing said.
        QVERIFY(m_dialogs.messages.empty());
    }

    // A print that cannot be made says why and leaves no file: a folder that does not exist, a page too
    // small for the graph.
    void printFailureIsReported_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QPageSize>("pageSize");
        QTest::addColumn<QString>("message");
        QTest::newRow("no such folder") << "missing/graph.pdf" << QPageSize(QPageSize::A4)
                                        << QString::fromStdU16String(std::u16string(kPrintFailedReason));
        QTest::newRow("a label too small") << "graph.pdf" << QPageSize(QSizeF(30, 20), QPageSize::Millimeter)
                                           << QString::fromStdU16String(std::u16string(kPageTooSmallReason));
    }

    void printFailureIsReported()
    {
        QFETCH(QString, file);
        QFETCH(QPageSize, pageSize);
        QFETCH(QString, message);
        QTemporaryDir folder;
        m_pdfPath = folder.filePath(file);
        m_pageSize = pageSize;
        loadAndDraw();
        QVERIFY(triggerPrint());
        QCOMPARE(m_dialogs.messages.size(), std::size_t(1));
        QCOMPARE(QString::fromStdU16String(m_dialogs.messages[0].prompt), message);
        QVERIFY(!QFile::exists(m_pdfPath));
    }

    // The copy offers the drawing as SVG beside the image: the document of the very shapes shown.
    void copiesSvgBesideImage()
    {
        loadAndDraw();
        menu()->actions().at(0)->trigger();
        const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
        QVERIFY(copied && copied->hasImage());
        const Result<std::string> svg = svgDocument(m_program->drawing());
        QVERIFY(svg);
        QCOMPARE(copied->data(QStringLiteral("image/svg+xml")), QByteArray::fromStdString(*svg));
        QVERIFY(svg->find("<line") != std::string::npos);
    }

private:
    PictureBox &pictureBox() { return *static_cast<PictureBox *>(m_program->window().picture1()); }

    void loadAndDraw()
    {
        m_dialogs.fileNames.push_back(u"records.csv");
        QTest::mouseClick(m_program->window().button(Button::Command4), Qt::LeftButton);
        QTest::mouseClick(m_program->window().button(Button::Command1), Qt::LeftButton);
        QVERIFY(m_program->picture1().hasDrawing());
    }

    void typeAndDraw()
    {
        Form1Window &window = m_program->window();
        QTest::mouseClick(window.button(Button::Command5), Qt::LeftButton);
        const QStringList cells = testing::kExample;
        for (int i = 0; i < cells.size(); ++i)
            window.setCellText(i + 1, cells[i].toStdU16String());
        QTest::mouseClick(window.button(Button::Command6), Qt::LeftButton);
        QTest::mouseClick(window.button(Button::Command1), Qt::LeftButton);
        QVERIFY(m_program->picture1().hasDrawing());
    }

    QMenu *menu()
    {
        Form1Window &window = m_program->window();
        QTest::mouseClick(
            window.windowHandle(), Qt::RightButton, {}, window.picture1()->mapTo(&window, QPoint(400, 300)));
        if (!QTest::qWaitFor([] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()); }, 5000))
            return nullptr;
        return qobject_cast<QMenu *>(QApplication::activePopupWidget());
    }

    // Prints from the picture's menu; false when the menu did not open or its item was unavailable.
    bool triggerPrint()
    {
        QMenu *opened = menu();
        if (!opened || opened->actions().size() < 2 || !opened->actions().at(1)->isEnabled())
            return false;
        opened->actions().at(1)->trigger();
        opened->close();
        return true;
    }

    testing::FakeDialogs m_dialogs;
    testing::FakeFileSystem m_files;
    std::unique_ptr<Program> m_program;
    QString m_pdfPath;
    QPageSize m_pageSize;
    PrintedPage m_page;
    int m_printerChoices = 0;
};

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
