// The graph printed from the window: the drawing kept as shapes beside the pixels, a print to a PDF file
// rendered with poppler's tools (its page, where the drawing and the footer land on it, what the footer
// says), and a print that fails or is cancelled.

#include "app/print_page.h"
#include "numbers/str_form.h"
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

struct PrintingVectorSurface : VectorSurface {
    PrintingVectorSurface()
        : VectorSurface(printForm)
    {
    }
};

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

    void init()
    {
        m_dialogs = {};
        m_files = {};
        m_files.files[u"records.csv"] = testing::kSaved.toStdString();
        m_program = std::make_unique<Program>(m_dialogs, m_files);
        m_program->window().show();
        QVERIFY(QTest::qWaitForWindowActive(&m_program->window()));
        pictureBox().choosePrinter = [this](QPrinter &printer) {
            if (m_pdfPath.isEmpty())
                return false;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(m_pdfPath);
            printer.setResolution(300);
            printer.setPageSize(m_pageSize);
            const QPageLayout layout = printer.pageLayout();
            const QRect paper = layout.fullRectPixels(300), printable = layout.paintRectPixels(300);
            m_page = { double(paper.width()), double(paper.height()),
                { double(printable.left()), double(printable.top()), double(printable.width()),
                    double(printable.height()) },
                300 };
            return true;
        };
    }
    void cleanup() { m_program.reset(); }

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
        m_pdfPath = file.isEmpty() ? QString() : folder.filePath(file);
        m_pageSize = pageSize;
        loadAndDraw();
        // The shapes are the graph's alone, also when it is cleared and drawn again.
        QTest::mouseClick(m_program->window().button(Button::Command9), Qt::LeftButton);
        QTest::mouseClick(m_program->window().button(Button::Command1), Qt::LeftButton);
        testing::FormRig<PrintingVectorSurface> shapes;
        shapes.fake.files[u"records.csv"] = testing::kSaved.toStdString();
        shapes.click(&Form1::Command4_Click, "records.csv");
        shapes.form.Command1_Click();
        QCOMPARE(*svgDocument(m_program->drawing()), *svgDocument(shapes.picture.drawing()));
        const QDate today = QDate::currentDate();
        QVERIFY(triggerPrint());
        QCOMPARE(m_dialogs.messages.size(), std::size_t(message.isEmpty() ? 0 : 1));
        QVERIFY(message.isEmpty() || QString::fromStdU16String(m_dialogs.messages[0].prompt) == message);
        if (!message.isEmpty() || file.isEmpty()) {
            QVERIFY(!QFile::exists(m_pdfPath));
            return;
        }

        const auto [textStatus, text] = runTool("pdftotext", { m_pdfPath, "-" });
        const QString footer = QString::fromStdU16String(
            printFooter(u"records.csv", { today.year(), today.month(), today.day() }));
        QVERIFY2(textStatus == 0 && withoutBlanks(text).contains(withoutBlanks(footer)), qPrintable(text));

        // Rendered at 72 dots an inch, one dot a point.
        const QString picture = folder.filePath("page");
        QCOMPARE(runTool("pdftoppm", { "-r", "72", "-png", "-singlefile", m_pdfPath, picture }).first, 0);
        const QImage page(picture + ".png");
        const QSizeF portrait = m_pageSize.size(QPageSize::Point);
        QVERIFY2(std::abs(page.width() - portrait.height()) < 1.5
                && std::abs(page.height() - portrait.width()) < 1.5,
            qPrintable(QString("%1 x %2").arg(page.width()).arg(page.height())));
        const PrintLayout layout = printLayout(m_page, 849, 521);
        const double toPoints = 72 / m_page.dotsPerInch;
        const double scale = layout.drawing.width / 849;
        const auto onPage = [&](QPointF p) {
            return (QPointF(layout.drawing.left, layout.drawing.top) + p * scale) * toPoints;
        };
        const QRectF drawing(onPage({ 0, 0 }), onPage({ 849, 521 }));
        const QRectF footerBox(layout.footer.left * toPoints, layout.footer.top * toPoints,
            layout.footer.width * toPoints, layout.footer.height * toPoints);

        // Every line of the drawing where the layout maps it: most of its dots are inked, red ones red.
        for (const VectorShape &shape : m_program->drawing().shapes) {
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

private:
    PictureBox &pictureBox() { return *static_cast<PictureBox *>(m_program->window().picture1()); }

    void loadAndDraw()
    {
        m_dialogs.fileNames.push_back(u"records.csv");
        QTest::mouseClick(m_program->window().button(Button::Command4), Qt::LeftButton);
        QTest::mouseClick(m_program->window().button(Button::Command1), Qt::LeftButton);
        QVERIFY(m_program->picture1().hasDrawing());
    }

    // Prints from the picture's menu, opened by a right click; false when the menu did not open or its item
    // was unavailable.
    bool triggerPrint()
    {
        Form1Window &window = m_program->window();
        QTest::mouseClick(
            window.windowHandle(), Qt::RightButton, {}, window.picture1()->mapTo(&window, QPoint(400, 300)));
        QMenu *menu = nullptr;
        const bool opened = QTest::qWaitFor(
            [&menu] { return (menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())); }, 5000);
        if (!opened || menu->actions().size() < 2 || !menu->actions().at(1)->isEnabled())
            return false;
        menu->actions().at(1)->trigger();
        menu->close();
        return true;
    }

    testing::FakeDialogs m_dialogs;
    testing::FakeFileSystem m_files;
    std::unique_ptr<Program> m_program;
    QString m_pdfPath;
    QPageSize m_pageSize;
    PrintedPage m_page;
};

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
