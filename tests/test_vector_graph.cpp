// The graph kept as shapes and written as SVG and PDF: what the vector surface keeps against the bounds the
// pixel surfaces draw within, the documents validated and rendered by the tools a user's system has, and
// their pictures laid over the bitmap of the same graph where both must agree: the red reference lines, the
// frame and the grid's long black lines, the records' markers.

#include "platform/qt/application.h"
#include "platform/qt/qt_surface.h"
#include "platform/vector_documents.h"
#include "support/example_records.h"
#include "support/form_rig.h"
#include "support/run_tool.h"

#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>
#include <cmath>

using namespace psa;
using psa::testing::runTool;

namespace {

bool isDark(QRgb pixel)
{
    return qRed(pixel) < 170 && qGreen(pixel) < 170 && qBlue(pixel) < 170;
}
bool isRed(QRgb pixel)
{
    return qRed(pixel) > 200 && qGreen(pixel) < 100 && qBlue(pixel) < 100;
}

// Rows (or columns) of the image in which at least `least` pixels pass `is`.
QList<int> linesWhere(const QImage &image, bool rows, int least, bool (*is)(QRgb))
{
    QList<int> found;
    const int lines = rows ? image.height() : image.width();
    const int along = rows ? image.width() : image.height();
    for (int line = 0; line < lines; ++line) {
        int count = 0;
        for (int i = 0; i < along; ++i)
            count += is(rows ? image.pixel(i, line) : image.pixel(line, i)) ? 1 : 0;
        if (count >= least)
            found << line;
    }
    return found;
}

// The box around the dark pixels of `image` within `area`; empty when there are none.
QRect inkIn(const QImage &image, const QRect &area)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.rect().contains(x, y) && isDark(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

// The dark pixels of `from` within `area` that have no dark pixel of `to` within a pixel.
int strays(const QImage &from, const QImage &to, const QRect &area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += !inkIn(from, { x, y, 1, 1 }).isEmpty() && inkIn(to, { x - 1, y - 1, 3, 3 }).isEmpty()
                ? 1
                : 0;
    return count;
}

Result<std::string> documentOf(const QString &format, const VectorDrawing &drawing)
{
    return format == "svg" ? svgDocument(drawing) : pdfDocument(drawing);
}

// Writes `document` of `format` ("svg" or "pdf"), checks it with the format's validator (xmllint, qpdf) and,
// when `picture` is given, renders it at 849 x 521 into it (rsvg-convert, pdftoppm); what failed, or nothing.
QString checked(const QString &format, const std::string &document, QImage *picture = nullptr)
{
    const bool svg = format == "svg";
    QTemporaryDir folder;
    const QString path = folder.filePath("graph." + format), image = folder.filePath("picture");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(document.data(), qint64(document.size())) < 0
        || !file.flush())
        return "cannot write " + path;
    const auto [valid, said] = runTool(svg ? "xmllint" : "qpdf", { svg ? "--noout" : "--check", path });
    if (valid != 0 || said.contains("WARNING"))
        return said;
    if (!picture)
        return {};
    const auto [rendered, output] = svg
        ? runTool("rsvg-convert",
            { "--width=849", "--height=521", "--format=png", "--output=" + image + ".png", path })
        : runTool(
            "pdftoppm", { "-png", "-singlefile", "-scale-to-x", "849", "-scale-to-y", "521", path, image });
    *picture = QImage(image + ".png").convertToFormat(QImage::Format_RGB32);
    return rendered != 0 || picture->isNull() ? output : QString();
}

// What the bitmap's drawing shows on a rendered picture of the same size, or why not.
QString mismatchOf(const QImage &bitmap, const QImage &rendered, const VectorDrawing &drawing)
{
    if (rendered.size() != bitmap.size())
        return QString("size %1 x %2").arg(rendered.width()).arg(rendered.height());
    QStringList problems;
    // The red lines, the frame and the grid's long black lines: each of the bitmap's within a pixel.
    const auto compare = [&](const char *what, bool rows, int least, bool (*is)(QRgb)) {
        const QList<int> expected = linesWhere(bitmap, rows, least, is);
        const QList<int> actual = linesWhere(rendered, rows, least * 9 / 10, is);
        for (const int line : expected)
            if (!actual.contains(line) && !actual.contains(line - 1) && !actual.contains(line + 1))
                problems << QString("%1 %2 not rendered").arg(what).arg(line);
        if (expected.isEmpty())
            problems << QString("no %1 on the bitmap").arg(what);
    };
    compare("red row", true, 600, isRed);
    compare("long black row", true, 700, isDark);
    compare("long black column", false, 350, isDark);
    // Every dark pixel of each marker's ring on the bitmap has a dark pixel within a pixel on the picture,
    // and the picture's ring strays no further from the bitmap's. The decade labels left of the axis stand on
    // the same rows and start in the same column, the blank before the digits included: their digits' top,
    // bottom and left within two pixels, whatever face draws them.
    for (const VectorShape &shape : drawing.shapes) {
        if (const auto *circle = std::get_if<VectorCircle>(&shape)) {
            const int reach = int(circle->radius) + 1;
            const QRect ring = QRect(int(circle->centre.x), int(circle->centre.y), 1, 1)
                                   .adjusted(-reach, -reach, reach, reach);
            if (inkIn(bitmap, ring).isEmpty()
                || strays(bitmap, rendered, ring) + strays(rendered, bitmap, ring.adjusted(-2, -2, 2, 2)) > 0)
                problems << QString("marker at %1,%2").arg(ring.center().x()).arg(ring.center().y());
        } else if (const auto *text = std::get_if<VectorText>(&shape); text && text->topLeft.x <= 10) {
            const QRect box(int(text->topLeft.x), int(text->topLeft.y) - 4, 30, 22);
            const QRect drawn = inkIn(bitmap, box), shown = inkIn(rendered, box);
            if (drawn.isEmpty() || shown.isEmpty() || std::abs(drawn.top() - shown.top()) > 2
                || std::abs(drawn.bottom() - shown.bottom()) > 2 || std::abs(drawn.left() - shown.left()) > 2)
                problems << QString("label at %1 moved").arg(text->topLeft.y);
        }
    }
    return problems.join("; ");
}

// One call on a fresh 849 x 521 vector surface whose user scale runs from (0, 700) to (right, 0), as the
// graph sets it with right at 910.
struct Call {
    enum Kind { Line, Ring, Number } kind;
    Point at;
    Point to {}; // a line's other end
    double value = 0; // a ring's radius, a number's value
    double right = 910;
};

// The shapes kept, in short, in pixels: "line x,y x,y", "ring of <radius> at x,y" and "text <text> at x,y".
QString described(const VectorDrawing &drawing)
{
    const auto at = [](Point p) { return QString("%1,%2").arg(p.x).arg(p.y); };
    QStringList shapes;
    for (const VectorShape &shape : drawing.shapes)
        if (const auto *ring = std::get_if<VectorCircle>(&shape))
            shapes << QString("ring of %1 at %2").arg(ring->radius).arg(at(ring->centre));
        else if (const auto *text = std::get_if<VectorText>(&shape))
            shapes << QString("text %1 at %2").arg(QString::fromStdString(text->text), at(text->topLeft));
        else if (const auto *line = std::get_if<VectorLine>(&shape))
            shapes << "line " + at(line->from) + ' ' + at(line->to);
    return shapes.join(", ");
}

} // namespace

Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(psa::VectorDrawing)

class TestVectorGraph : public QObject {
    Q_OBJECT

private slots:
    // The bitmaps are drawn in the font the program draws them in.
    void initTestCase() { QGuiApplication::setFont(japaneseDefaultFont()); }

    // Documents are checked with the validators and renderers a user's system has.
    void init()
    {
        for (const QString tool : { "xmllint", "rsvg-convert", "qpdf", "pdftoppm" })
            if (QTest::currentTestFunction() != QByteArray("keepsWhatCanShow")
                && QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + " is not installed (scripts/install-deps installs it)"));
    }

    // What the surface keeps of one call: lines cut to a margin of one picture around it, rings and numbers
    // that may show, at the centre (a text at the corner) of the pixel of their position, each ring's radius
    // counted in horizontal units and rounded to whole pixels as the bitmap draws it; clearing forgets them.
    void keepsWhatCanShow_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("kept");
        const auto row = [](const char *name, Call call, const char *kept) {
            QTest::newRow(name) << call << QString(kept);
        };
        const auto line = [](Point from, Point to) { return Call { Call::Line, from, to }; };
        const auto ring = [](Point centre, double radius, double right = 910) {
            return Call { Call::Ring, centre, {}, radius, right };
        };
        const auto number = [](Point at, double value) { return Call { Call::Number, at, {}, value }; };
        row("a line through the margin is cut to it", line({ -1e17, 50 }, { 40, 50 }),
            "line -848.5,483.5 37.5,483.5");
        row("a line beyond the margin is dropped", line({ 2000, 50 }, { 3000, 60 }), "");
        row("50 units on the graph's scale", ring({ 455, 350 }, 50), "ring of 47 at 424.5,260.5");
        row("units of two pixels", ring({ 849, 350 }, 10, 1698), "ring of 5 at 424.5,260.5");
        row("an axis that runs right to left", ring({ -455, 350 }, 50, -910), "ring of 47 at 424.5,260.5");
        row("a ring whose edge reaches the picture", ring({ 1000, 50 }, 95), "ring of 89 at 932.5,483.5");
        row("a ring far right of the picture", ring({ 1000, 50 }, 5), "");
        row("a ring of less than half a pixel", ring({ 40, 50 }, 0.5), "");
        row("the graph's lowest label", number({ 5, 55 }, 0.01), "text  0.01  at 4,480");
        row("a number right of the picture", number({ 911, 255 }, 1), "");
        row("a value not finite", number({ 5, 255 }, NAN), "");
    }
    void keepsWhatCanShow()
    {
        QFETCH(Call, call);
        testing::PrintingVectorSurface surface;
        surface.Scale({ 0, 700 }, { call.right, 0 });
        if (call.kind == Call::Line)
            surface.Line(call.at, call.to, {});
        else if (call.kind == Call::Ring)
            surface.Circle(call.at, call.value);
        else {
            surface.CurrentX(call.at.x);
            surface.CurrentY(call.at.y);
            surface.Print(call.value);
        }
        QTEST(described(surface.drawing()), "kept");
        surface.Cls();
        QVERIFY(surface.drawing().shapes.empty());
    }

    // Each document of the example's graph passes its validator, renders at the picture's size to what the
    // bitmap of the same drawing shows, and is the same bytes when written again.
    void documentsRenderAsTheBitmap_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("svg") << "svg";
        QTest::newRow("pdf") << "pdf";
    }
    void documentsRenderAsTheBitmap()
    {
        QFETCH(QString, format);
        testing::FormRig<ImageSurface> pixels;
        testing::FormRig<testing::PrintingVectorSurface> vector;
        pixels.type(testing::kExample);
        vector.type(testing::kExample);
        // A line whose ends are one pixel is a dot, as on the bitmap: here at (424, 37), above the grid.
        pixels.picture.Line({ 455, 650.2 }, { 455.3, 649.6 }, {});
        vector.picture.Line({ 455, 650.2 }, { 455.3, 649.6 }, {});
        const Result<std::string> document = documentOf(format, vector.picture.drawing());
        QImage picture;
        const QString failure = document ? checked(format, *document, &picture) : QString("refused");
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const QString mismatch = mismatchOf(pixels.picture.image(), picture, vector.picture.drawing());
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        const QImage bitmap = pixels.picture.image().convertToFormat(QImage::Format_RGB32);
        const QRect aroundDot(414, 27, 20, 20);
        QVERIFY(isDark(bitmap.pixel(424, 37)) && isDark(picture.pixel(424, 37)));
        QCOMPARE(strays(bitmap, picture, aroundDot) + strays(picture, bitmap, aroundDot), 0);
        // The same bytes every time, also under a locale that writes decimal commas.
        const std::string previousLocale = std::setlocale(LC_ALL, nullptr);
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
            qWarning("de_DE.UTF-8 is missing: the document was written again in the same locale");
        const Result<std::string> again = documentOf(format, vector.picture.drawing());
        std::setlocale(LC_ALL, previousLocale.c_str());
        QVERIFY(again && *again == *document);
    }

    // Texts and drawings that a document cannot hold are refused with a reason, never written half; texts it
    // can hold are escaped so that the document stays valid.
    void refusesWhatCannotBeWritten_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<VectorDrawing>("drawing"); // a red line and a text at (x, 10)
        QTest::addColumn<QByteArray>("holds"); // empty when the drawing is refused
        const auto row = [](const char *name, const char *format, const QByteArray &text, const char *holds,
                             double x = 5, int width = 849) {
            VectorDrawing drawing;
            drawing.width = width;
            drawing.shapes.emplace_back(VectorLine { { 0.5, 0.5 }, { 10.5, 0.5 }, kRed });
            drawing.shapes.emplace_back(VectorText { { x, 10 }, text.toStdString() });
            QTest::newRow(name) << QString(format) << drawing << QByteArray(holds);
        };
        row("svg: markup characters escaped", "svg", "<1&2>", "&lt;1&amp;2&gt;");
        row("svg: Japanese text", "svg", "値 2", "値 2");
        row("svg: control character", "svg", "1\x01", "");
        row("svg: broken UTF-8", "svg", "1\xE5\x80", "");
        row("svg: overlong UTF-8", "svg", "\xE0\x80\xAF", "");
        row("svg: position not finite", "svg", "1", "", NAN);
        row("svg: no width", "svg", "1", "", 5, 0);
        row("pdf: parentheses escaped", "pdf", "(1)\\", "(\\(1\\)\\\\) Tj");
        row("pdf: Japanese text", "pdf", "値", "");
    }
    void refusesWhatCannotBeWritten()
    {
        QFETCH(QString, format);
        QFETCH(VectorDrawing, drawing);
        QFETCH(QByteArray, holds);
        const Result<std::string> document = documentOf(format, drawing);
        QCOMPARE(document.ok(), !holds.isEmpty());
        if (!document)
            return;
        QVERIFY2(QByteArray::fromStdString(*document).contains(holds), document->c_str());
        const QString failure = checked(format, *document);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }
};

QTEST_MAIN(TestVectorGraph)
#include "test_vector_graph.moc"
