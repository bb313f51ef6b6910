// The graph kept as shapes and written as SVG and PDF: what the vector surface keeps against the bounds the
// pixel surfaces draw within, the documents validated and rendered by the tools a user's system has, and
// their pictures laid over the bitmap of the same graph where both must agree: the red reference lines, the
// frame and the grid's long black lines, the records' markers.

#include "numbers/str_form.h"
#include "platform/qt/application.h"
#include "platform/qt/qt_surface.h"
#include "platform/vector_documents.h"
#include "support/example_records.h"
#include "support/form_rig.h"
#include "support/recording_surface.h"

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>
#include <cmath>
#include <functional>

using namespace psa;

namespace {

// The surface as the export makes it, numbers in their print form.
struct PrintingVectorSurface : VectorSurface {
    PrintingVectorSurface()
        : VectorSurface(printForm)
    {
    }
};

// Thirty-five records a quarter apart, rising and falling across the decades.
QStringList longSeries()
{
    QStringList cells;
    for (int i = 0; i < 35; ++i)
        cells << QString::number(2000 + i / 4) << QString::number(1 + 3 * (i % 4))
              << QString::number(0.02 * std::pow(10.0, (i % 12) / 3.0), 'g', 4);
    return cells;
}

// The same records drawn on the bitmap surface and on the vector surface.
struct BothDrawings {
    explicit BothDrawings(const QStringList &cells)
    {
        pixels.type(cells);
        vector.type(cells);
    }
    testing::FormRig<ImageSurface> pixels;
    testing::FormRig<PrintingVectorSurface> vector;
};

const QStringList &recordsNamed(const QString &name)
{
    static const QStringList example = testing::kExample;
    static const QStringList series = longSeries();
    return name == "example" ? example : series;
}

template <typename Shape> int countOf(const VectorDrawing &drawing)
{
    return int(std::count_if(drawing.shapes.begin(), drawing.shapes.end(),
        [](const VectorShape &shape) { return std::holds_alternative<Shape>(shape); }));
}

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

// The lines of `expected` that have no line of `actual` within a pixel.
QList<int> unmatched(const QList<int> &expected, const QList<int> &actual)
{
    QList<int> missing;
    for (const int line : expected)
        if (!actual.contains(line) && !actual.contains(line - 1) && !actual.contains(line + 1))
            missing << line;
    return missing;
}

bool darkNear(const QImage &image, int x, int y, int distance)
{
    for (int dy = -distance; dy <= distance; ++dy)
        for (int dx = -distance; dx <= distance; ++dx)
            if (image.rect().contains(x + dx, y + dy) && isDark(image.pixel(x + dx, y + dy)))
                return true;
    return false;
}

struct Run {
    bool started = false;
    int exitCode = -1;
    QByteArray output;
};

Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Run result;
    result.started = process.waitForStarted(10000);
    if (result.started && process.waitForFinished(20000))
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = process.readAll();
    return result;
}

bool writeFile(const QString &path, const std::string &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly)
        && file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

struct Format {
    std::function<Result<std::string>(const VectorDrawing &)> write;
    QString validator;
    QStringList validatorArguments;
    QString renderer;
    // The renderer's arguments for a document and a picture of 849 x 521 pixels; the picture is the PNG of
    // the name given, or that name with ".png" added.
    std::function<QStringList(const QString &document, const QString &picture)> rendering;
    QString pictureSuffix;
};

const Format &formatNamed(const QString &name)
{
    static const Format svg { svgDocument, "xmllint", { "--noout" }, "rsvg-convert",
        [](const QString &document, const QString &picture) {
            return QStringList { "--width=849", "--height=521", "--format=png", "--output=" + picture,
                document };
        },
        "" };
    static const Format pdf { pdfDocument, "qpdf", { "--check" }, "pdftoppm",
        [](const QString &document, const QString &picture) {
            return QStringList { "-png", "-singlefile", "-scale-to-x", "849", "-scale-to-y", "521", document,
                picture };
        },
        ".png" };
    return name == "svg" ? svg : pdf;
}

// Writes the document, validates it and renders it at 849 x 521 into `picture`; what failed, or nothing.
QString validateAndRender(const QString &format, const std::string &document, QImage &picture)
{
    const Format &f = formatNamed(format);
    QTemporaryDir folder;
    const QString documentPath = folder.filePath("graph." + format);
    if (!folder.isValid() || !writeFile(documentPath, document))
        return "cannot write " + documentPath;
    const Run validated = run(f.validator, f.validatorArguments + QStringList { documentPath });
    if (validated.exitCode != 0 || validated.output.contains("WARNING"))
        return f.validator + ": " + QString::fromUtf8(validated.output);
    const QString picturePath = folder.filePath("picture");
    const Run rendered = run(f.renderer, f.rendering(documentPath, picturePath));
    if (rendered.exitCode != 0)
        return f.renderer + ": " + QString::fromUtf8(rendered.output);
    picture = QImage(picturePath + f.pictureSuffix, "PNG").convertToFormat(QImage::Format_RGB32);
    return picture.isNull() ? QString("no picture") : QString();
}

// What the bitmap's drawing shows on a rendered picture of the same size, or why not.
QString mismatchOf(const QImage &bitmap, const QImage &rendered, const VectorDrawing &drawing)
{
    if (rendered.size() != bitmap.size())
        return QString("size %1 x %2").arg(rendered.width()).arg(rendered.height());
    QStringList problems;
    const auto compare = [&](const char *what, bool rows, int least, bool (*is)(QRgb)) {
        const QList<int> expected = linesWhere(bitmap, rows, least, is);
        const QList<int> missing = unmatched(expected, linesWhere(rendered, rows, least * 9 / 10, is));
        if (expected.isEmpty() || !missing.isEmpty())
            problems << QString("%1 of the bitmap not rendered: %2 of %3")
                            .arg(what)
                            .arg(missing.size())
                            .arg(expected.size());
    };
    compare("red rows", true, 600, isRed);
    compare("long black rows", true, 700, isDark);
    compare("long black columns", false, 350, isDark);
    // Every dark pixel of each marker's ring on the bitmap has a dark pixel within a pixel on the picture...
    for (const VectorShape &shape : drawing.shapes) {
        const auto *circle = std::get_if<VectorCircle>(&shape);
        if (!circle)
            continue;
        const int reach = int(circle->radius) + 1;
        const int cx = int(std::floor(circle->centre.x));
        const int cy = int(std::floor(circle->centre.y));
        int ring = 0, lost = 0;
        for (int y = cy - reach; y <= cy + reach; ++y)
            for (int x = cx - reach; x <= cx + reach; ++x) {
                if (!bitmap.rect().contains(x, y) || !isDark(bitmap.pixel(x, y)))
                    continue;
                ++ring;
                lost += darkNear(rendered, x, y, 1) ? 0 : 1;
            }
        // ... and the picture's ring strays no further from the bitmap's.
        for (int y = cy - reach - 2; y <= cy + reach + 2; ++y)
            for (int x = cx - reach - 2; x <= cx + reach + 2; ++x)
                if (rendered.rect().contains(x, y) && isDark(rendered.pixel(x, y))
                    && !darkNear(bitmap, x, y, 1))
                    ++lost;
        if (ring == 0 || lost > 0)
            problems << QString("marker at %1,%2: %3 pixels lost or astray, of %4 on the bitmap")
                            .arg(cx)
                            .arg(cy)
                            .arg(lost)
                            .arg(ring);
    }
    // The decade labels left of the axis stand on the same rows and start in the same column, the blank
    // before the digits included: their digits' top, bottom and left within two pixels, whatever face draws
    // them.
    for (const VectorShape &shape : drawing.shapes) {
        const auto *text = std::get_if<VectorText>(&shape);
        if (!text || text->topLeft.x > 10)
            continue;
        const QRect box(int(text->topLeft.x), int(text->topLeft.y) - 4, 30, 22);
        const QList<int> inBitmap = linesWhere(bitmap.copy(box), true, 1, isDark);
        const QList<int> inPicture = linesWhere(rendered.copy(box), true, 1, isDark);
        const QList<int> columnsInBitmap = linesWhere(bitmap.copy(box), false, 1, isDark);
        const QList<int> columnsInPicture = linesWhere(rendered.copy(box), false, 1, isDark);
        if (inBitmap.isEmpty() || inPicture.isEmpty() || std::abs(inBitmap.first() - inPicture.first()) > 2
            || std::abs(inBitmap.last() - inPicture.last()) > 2 || columnsInPicture.isEmpty()
            || std::abs(columnsInBitmap.first() - columnsInPicture.first()) > 2)
            problems << QString("label \"%1\" at %2: rows %3-%4 on the bitmap, %5-%6 on the picture")
                            .arg(QString::fromStdString(text->text))
                            .arg(text->topLeft.y)
                            .arg(inBitmap.value(0, -1))
                            .arg(inBitmap.value(inBitmap.size() - 1, -1))
                            .arg(inPicture.value(0, -1))
                            .arg(inPicture.value(inPicture.size() - 1, -1));
    }
    return problems.join("; ");
}

// Operations on a fresh 849 x 521 vector surface whose user scale is (0, 700)-(910, 0), as the graph sets it.
using Drawing = void (*)(Surface &);
struct CullCase {
    const char *name;
    Drawing draw;
    int lines;
    int circles;
    int texts;
};
const CullCase kCullCases[] = {
    { "a line inside is kept",
        [](Surface &s) {
            s.Line({ 40, 50 }, { 900, 50 }, kRed);
        },
        1, 0, 0 },
    { "a line beyond the margin is dropped",
        [](Surface &s) {
            s.Line({ 2000, 50 }, { 3000, 60 }, {});
        },
        0, 0, 0 },
    { "a line through the margin is cut to it",
        [](Surface &s) {
            s.Line({ -1e17, 50 }, { 40, 50 }, {});
        },
        1, 0, 0 },
    { "a line to a point not finite is dropped",
        [](Surface &s) {
            s.Line({ 40, 50 }, { NAN, 50 }, {});
        },
        0, 0, 0 },
    { "a marker inside is kept",
        [](Surface &s) {
            s.Circle({ 40, 50 }, 5);
        },
        0, 1, 0 },
    { "a ring too large is dropped",
        [](Surface &s) {
            s.Circle({ 40, 50 }, 2e5);
        },
        0, 0, 0 },
    { "a ring of the largest radius is kept",
        [](Surface &s) {
            s.Circle({ 40, 50 }, 1e5 * 910 / 849);
        },
        0, 1, 0 },
    { "a ring far right of the picture is dropped",
        [](Surface &s) {
            s.Circle({ 1000, 50 }, 5);
        },
        0, 0, 0 },
    { "a ring whose edge reaches the picture is kept",
        [](Surface &s) {
            s.Circle({ 1000, 50 }, 95);
        },
        0, 1, 0 },
    { "a ring of radius not finite is dropped",
        [](Surface &s) {
            s.Circle({ 40, 50 }, INFINITY);
        },
        0, 0, 0 },
    { "a number inside is printed",
        [](Surface &s) {
            s.CurrentX(5);
            s.CurrentY(255);
            s.Print(1);
        },
        0, 0, 1 },
    { "a number right of the picture is not printed",
        [](Surface &s) {
            s.CurrentX(911);
            s.CurrentY(255);
            s.Print(1);
        },
        0, 0, 0 },
    { "a value not finite is not printed",
        [](Surface &s) {
            s.CurrentX(5);
            s.CurrentY(255);
            s.Print(NAN);
        },
        0, 0, 0 },
    { "clearing forgets everything",
        [](Surface &s) {
            s.Line({ 40, 50 }, { 900, 50 }, {});
            s.Circle({ 40, 50 }, 5);
            s.Cls();
        },
        0, 0, 0 },
};

} // namespace

class TestVectorGraph : public QObject {
    Q_OBJECT

private slots:
    // The bitmaps are drawn in the font the program draws them in.
    void initTestCase() { QGuiApplication::setFont(japaneseDefaultFont()); }

    // The vector surface keeps the same lines, rings and numbers as the graph calls draw, each where the
    // bitmap has its pixels: checked here on the shapes, on the documents' pictures below.
    void keepsTheGraphsShapes_data()
    {
        QTest::addColumn<QString>("records");
        QTest::newRow("worked example") << "example";
        QTest::newRow("35 records over eight years") << "series";
    }
    void keepsTheGraphsShapes()
    {
        QFETCH(QString, records);
        testing::FormRig<testing::RecordingSurface> calls;
        calls.type(recordsNamed(records));
        testing::FormRig<PrintingVectorSurface> rig;
        rig.type(recordsNamed(records));
        const VectorDrawing &drawing = rig.picture.drawing();
        QCOMPARE(drawing.width, 849);
        QCOMPARE(drawing.height, 521);
        QCOMPARE(countOf<VectorLine>(drawing),
            int(calls.picture.calls.filter(QRegularExpression("^line")).size()));
        QCOMPARE(countOf<VectorCircle>(drawing), int(recordsNamed(records).size() / 3));
        QCOMPARE(countOf<VectorText>(drawing),
            int(calls.picture.calls.filter(QRegularExpression("^print")).size()));
        // The first text is the lowest decade's label, " 0.01 " at (5, 55) of 910 x 700 units.
        const auto firstText = std::find_if(drawing.shapes.begin(), drawing.shapes.end(),
            [](const VectorShape &shape) { return std::holds_alternative<VectorText>(shape); });
        const auto &label = std::get<VectorText>(*firstText);
        QCOMPARE(label.text, " 0.01 ");
        QCOMPARE(label.topLeft, Point({ 4, std::floor((700 - 55) / 700.0 * 521) }));
        // Each marker is a ring of 5 units, 5 pixels, around the centre of the pixel of its point.
        const auto firstRing = std::find_if(drawing.shapes.begin(), drawing.shapes.end(),
            [](const VectorShape &shape) { return std::holds_alternative<VectorCircle>(shape); });
        QCOMPARE(std::get<VectorCircle>(*firstRing).radius, 5.0);
        QCOMPARE(std::get<VectorCircle>(*firstRing).centre.x, std::floor(40 / 910.0 * 849) + 0.5);
        QVERIFY(!rig.picture.bitmapBytes());
        QVERIFY(!rig.picture.bitmapBytes().reason().empty());
    }

    void keepsWhatCanShow_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kCullCases)); ++i)
            QTest::newRow(kCullCases[i].name) << i;
    }
    void keepsWhatCanShow()
    {
        QFETCH(int, index);
        const CullCase &c = kCullCases[index];
        PrintingVectorSurface surface;
        surface.Scale({ 0, 700 }, { 910, 0 });
        c.draw(surface);
        const VectorDrawing &drawing = surface.drawing();
        QCOMPARE(countOf<VectorLine>(drawing), c.lines);
        QCOMPARE(countOf<VectorCircle>(drawing), c.circles);
        QCOMPARE(countOf<VectorText>(drawing), c.texts);
        // Whatever is kept lies within the margin of one picture around it.
        for (const VectorShape &shape : drawing.shapes)
            if (const auto *line = std::get_if<VectorLine>(&shape))
                for (const Point end : { line->from, line->to })
                    QVERIFY2(end.x >= -849 && end.x <= 2 * 849 + 1 && end.y >= -521 && end.y <= 2 * 521 + 1,
                        qPrintable(QString("%1,%2").arg(end.x).arg(end.y)));
    }

    // A ring's radius counts horizontal units, rounded to whole pixels as the bitmap draws it.
    void ringsAreRoundInPixels_data()
    {
        QTest::addColumn<double>("right");
        QTest::addColumn<double>("radius");
        QTest::addColumn<double>("pixels");
        QTest::newRow("a marker on the graph's scale") << 910.0 << 5.0 << 5.0;
        QTest::newRow("50 units on the graph's scale") << 910.0 << 50.0 << 47.0;
        QTest::newRow("units of two pixels") << 1698.0 << 10.0 << 5.0;
        QTest::newRow("an axis that runs right to left") << -910.0 << 50.0 << 47.0;
    }
    void ringsAreRoundInPixels()
    {
        QFETCH(double, right);
        QFETCH(double, radius);
        QFETCH(double, pixels);
        PrintingVectorSurface surface;
        surface.Scale({ 0, 700 }, { right, 0 });
        surface.Circle({ right / 2, 350 }, radius);
        QCOMPARE(countOf<VectorCircle>(surface.drawing()), 1);
        QCOMPARE(std::get<VectorCircle>(surface.drawing().shapes.front()).radius, pixels);
    }

    // Each document passes its validator and renders at the picture's size to what the bitmap of the same
    // graph shows.
    void documentsRenderAsTheBitmap_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("records");
        QTest::newRow("svg of the worked example") << "svg"
                                                   << "example";
        QTest::newRow("svg of 35 records") << "svg"
                                           << "series";
        QTest::newRow("pdf of the worked example") << "pdf"
                                                   << "example";
        QTest::newRow("pdf of 35 records") << "pdf"
                                           << "series";
    }
    void documentsRenderAsTheBitmap()
    {
        QFETCH(QString, format);
        QFETCH(QString, records);
        const Format &f = formatNamed(format);
        for (const QString &tool : { f.validator, f.renderer })
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + " is not installed (scripts/install-deps installs it)"));
        const BothDrawings both(recordsNamed(records));
        const auto document = f.write(both.vector.picture.drawing());
        QVERIFY(document);
        QImage picture;
        const QString failure = validateAndRender(format, *document, picture);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const QString mismatch
            = mismatchOf(both.pixels.picture.image(), picture, both.vector.picture.drawing());
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }

    // A line whose ends are one pixel is a dot, as on the bitmap; a ring of less than half a pixel is
    // nothing, as on the bitmap.
    void dotsRenderAsTheBitmap_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("ring");
        QTest::newRow("svg: a line of one pixel") << "svg" << false;
        QTest::newRow("svg: a ring of no radius") << "svg" << true;
        QTest::newRow("pdf: a line of one pixel") << "pdf" << false;
        QTest::newRow("pdf: a ring of no radius") << "pdf" << true;
    }
    void dotsRenderAsTheBitmap()
    {
        QFETCH(QString, format);
        QFETCH(bool, ring);
        const Format &f = formatNamed(format);
        for (const QString &tool : { f.validator, f.renderer })
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + " is not installed (scripts/install-deps installs it)"));
        ImageSurface pixels;
        PrintingVectorSurface vector;
        for (Surface *surface : std::initializer_list<Surface *> { &pixels, &vector }) {
            if (ring)
                surface->Circle({ 100.3, 200.6 }, 0.2);
            else
                surface->Line({ 100.3, 200.6 }, { 100.7, 200.2 }, {});
        }
        const auto document = f.write(vector.drawing());
        QVERIFY(document);
        QImage picture;
        const QString failure = validateAndRender(format, *document, picture);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const QImage bitmap = pixels.image().convertToFormat(QImage::Format_RGB32);
        const QImage &rendered = picture;
        for (const auto &[from, to] : { std::pair { &bitmap, &rendered }, std::pair { &rendered, &bitmap } })
            for (int y = 190; y < 210; ++y)
                for (int x = 90; x < 110; ++x)
                    QVERIFY2(!isDark(from->pixel(x, y)) || darkNear(*to, x, y, 1),
                        qPrintable(QString("%1,%2").arg(x).arg(y)));
        QCOMPARE(isDark(bitmap.pixel(100, 200)), !ring);
        QCOMPARE(countOf<VectorCircle>(vector.drawing()), 0);
        QCOMPARE(isDark(bitmap.pixel(100, 200)), isDark(picture.pixel(100, 200)));
    }

    // The same drawing gives the same bytes, also under a locale that writes decimal commas; the PDF's
    // cross-reference table points at each object.
    void documentsAreTheSameEveryTime_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("svg") << "svg";
        QTest::newRow("pdf") << "pdf";
    }
    void documentsAreTheSameEveryTime()
    {
        QFETCH(QString, format);
        const auto write = formatNamed(format).write;
        testing::FormRig<PrintingVectorSurface> rig;
        rig.type(testing::kExample);
        const auto first = write(rig.picture.drawing());
        QVERIFY(first);
        const std::string previousLocale = std::setlocale(LC_ALL, nullptr);
        const bool commaLocale = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        const auto second = write(rig.picture.drawing());
        std::setlocale(LC_ALL, previousLocale.c_str());
        QVERIFY(second);
        QCOMPARE(QByteArray::fromStdString(*second), QByteArray::fromStdString(*first));
        QVERIFY(first->find(',') == std::string::npos);
        if (!commaLocale)
            qWarning("de_DE.UTF-8 is missing: the documents were compared in one locale only");
    }

    void pdfCrossReferencePointsAtObjects()
    {
        testing::FormRig<PrintingVectorSurface> rig;
        rig.type(testing::kExample);
        const auto pdf = pdfDocument(rig.picture.drawing());
        QVERIFY(pdf);
        const QByteArray bytes = QByteArray::fromStdString(*pdf);
        const qsizetype table = bytes.lastIndexOf("\nxref\n") + 1;
        QVERIFY(table > 0);
        QCOMPARE(bytes.mid(bytes.lastIndexOf("startxref\n") + 10).split('\n').first().toLongLong(), table);
        const QList<QByteArray> lines = bytes.mid(table).split('\n');
        QCOMPARE(lines.at(1), "0 6");
        for (int object = 1; object <= 5; ++object) {
            const QByteArray entry = lines.at(2 + object) + '\n';
            QCOMPARE(entry.size(), 20);
            QCOMPARE(bytes.mid(entry.left(10).toLongLong(), 8), QByteArray::number(object) + " 0 obj\n");
        }
        const qsizetype content = bytes.indexOf("stream\n") + 7;
        const qsizetype length = bytes.mid(bytes.indexOf("/Length ") + 8).split(' ').first().toLongLong();
        QCOMPARE(bytes.mid(content + length, 10), "endstream\n");
        QVERIFY(bytes.contains("/MediaBox [0 0 636.75 390.75]"));
        QCOMPARE(bytes.count(" c\n"), 4 * 3);
    }

    // Texts and drawings that a document cannot hold are refused with a reason, never written half; texts it
    // can hold are escaped so that the document stays valid.
    void refusesWhatCannotBeWritten_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("width");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("x");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QByteArray>("holds");
        QTest::newRow("svg: markup characters escaped")
            << "svg" << 849 << QByteArray("<1&2>") << 5.0 << true << QByteArray("&lt;1&amp;2&gt;");
        QTest::newRow("svg: blanks kept")
            << "svg" << 849 << QByteArray(" 2005 ") << 5.0 << true << QByteArray("> 2005 </text>");
        QTest::newRow("svg: Japanese text")
            << "svg" << 849 << QByteArray("値 2") << 5.0 << true << QByteArray("値 2");
        QTest::newRow("svg: control character")
            << "svg" << 849 << QByteArray("1\x01") << 5.0 << false << QByteArray();
        QTest::newRow("svg: broken UTF-8")
            << "svg" << 849 << QByteArray("1\xE5\x80") << 5.0 << false << QByteArray();
        QTest::newRow("svg: overlong UTF-8")
            << "svg" << 849 << QByteArray("\xC0\xAF") << 5.0 << false << QByteArray();
        QTest::newRow("svg: position not finite")
            << "svg" << 849 << QByteArray("1") << double(NAN) << false << QByteArray();
        QTest::newRow("svg: no width") << "svg" << 0 << QByteArray("1") << 5.0 << false << QByteArray();
        QTest::newRow("pdf: parentheses escaped")
            << "pdf" << 849 << QByteArray("(1)\\") << 5.0 << true << QByteArray("(\\(1\\)\\\\) Tj");
        QTest::newRow("pdf: Japanese text")
            << "pdf" << 849 << QByteArray("値") << 5.0 << false << QByteArray();
        QTest::newRow("pdf: line feed") << "pdf" << 849 << QByteArray("1\n") << 5.0 << false << QByteArray();
        QTest::newRow("pdf: position not finite")
            << "pdf" << 849 << QByteArray("1") << double(INFINITY) << false << QByteArray();
        QTest::newRow("pdf: no width") << "pdf" << -1 << QByteArray("1") << 5.0 << false << QByteArray();
    }
    void refusesWhatCannotBeWritten()
    {
        QFETCH(QString, format);
        QFETCH(int, width);
        QFETCH(QByteArray, text);
        QFETCH(double, x);
        QFETCH(bool, written);
        QFETCH(QByteArray, holds);
        VectorDrawing drawing;
        drawing.width = width;
        drawing.shapes.emplace_back(VectorLine { { 0.5, 0.5 }, { 10.5, 0.5 }, kRed });
        drawing.shapes.emplace_back(VectorText { { x, 10 }, text.toStdString() });
        const auto document = formatNamed(format).write(drawing);
        QCOMPARE(document.ok(), written);
        if (!written) {
            QVERIFY(!document.reason().empty());
            return;
        }
        QVERIFY2(QByteArray::fromStdString(*document).contains(holds), document->c_str());
        const Format &f = formatNamed(format);
        if (QStandardPaths::findExecutable(f.validator).isEmpty())
            QSKIP(qPrintable(f.validator + " is not installed (scripts/install-deps installs it)"));
        QTemporaryDir folder;
        const QString path = folder.filePath("text." + format);
        QVERIFY(writeFile(path, *document));
        const Run validated = run(f.validator, f.validatorArguments + QStringList { path });
        QVERIFY2(
            validated.exitCode == 0 && !validated.output.contains("WARNING"), validated.output.constData());
    }
};

QTEST_MAIN(TestVectorGraph)
#include "test_vector_graph.moc"
