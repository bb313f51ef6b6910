// The printed page: where the graph and the line under it go on papers and printers of every kind, what that
// line says, and which record file it names.

#include "app/print_page.h"
#include "support/example_records.h"
#include "support/form_rig.h"
#include "support/recording_surface.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace psa;

Q_DECLARE_METATYPE(psa::PrintedPage)

namespace {

constexpr double kPictureWidth = 849;
constexpr double kPictureHeight = 521;

// A whole sheet of `widthMm` x `heightMm` at `dpi`, printable to within `edgeMm` of every edge.
PrintedPage sheet(double widthMm, double heightMm, double dpi, double edgeMm = 0)
{
    const double unit = dpi / 25.4;
    return { widthMm * unit, heightMm * unit,
        { edgeMm * unit, edgeMm * unit, (widthMm - 2 * edgeMm) * unit, (heightMm - 2 * edgeMm) * unit },
        dpi };
}

double right(const PageRect &rect)
{
    return rect.left + rect.width;
}
double bottom(const PageRect &rect)
{
    return rect.top + rect.height;
}

} // namespace

class TestPrintPage : public QObject {
    Q_OBJECT

private slots:
    // The drawing keeps the picture's proportions, fills the room one way, stays inside the printable part
    // and the paper's margins, and has its footer under it; a page without room for it gives nothing.
    void fitsDrawingOnPage_data()
    {
        QTest::addColumn<PrintedPage>("page");
        QTest::addColumn<bool>("fits");
        QTest::addColumn<bool>("widthBound"); // the drawing as wide as the room allows, not as high
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("A4 landscape, 600 dpi") << sheet(297, 210, 600) << true << true;
        QTest::newRow("Letter landscape, 300 dpi") << sheet(279.4, 215.9, 300) << true << true;
        QTest::newRow("A3 landscape, 1200 dpi") << sheet(420, 297, 1200) << true << true;
        QTest::newRow("A5 landscape, 72 dpi") << sheet(210, 148, 72) << true << true;
        QTest::newRow("A4 portrait: the width bounds it") << sheet(210, 297, 600) << true << true;
        QTest::newRow("wide strip: the height bounds it") << sheet(400, 100, 300) << true << false;
        QTest::newRow("printer's own edges wider than the margins")
            << sheet(297, 210, 600, 25) << true << true;
        QTest::newRow("printable part off centre")
            << PrintedPage { 7016, 4960, { 700, 100, 6000, 4800 }, 600 } << true << true;
        QTest::newRow("label too small for margins") << sheet(30, 20, 300) << false << false;
        QTest::newRow("no room left for the picture under its footer")
            << sheet(100, 37, 300) << false << false;
        QTest::newRow("no resolution") << sheet(297, 210, 0) << false << false;
        QTest::newRow("resolution not a number")
            << PrintedPage { 7016, 4960, { 0, 0, 7016, 4960 }, nan } << false << false;
        QTest::newRow("paper width not a number")
            << PrintedPage { nan, 4960, { 0, 0, 7016, 4960 }, 600 } << false << false;
        QTest::newRow("printable part empty")
            << PrintedPage { 7016, 4960, { 0, 0, 0, 0 }, 600 } << false << false;
    }

    void fitsDrawingOnPage()
    {
        QFETCH(PrintedPage, page);
        QFETCH(bool, fits);
        QFETCH(bool, widthBound);
        const PrintLayout layout = printLayout(page, kPictureWidth, kPictureHeight);
        QCOMPARE(layout.fits, fits);
        if (!fits) {
            QCOMPARE(layout.drawing, PageRect {});
            QCOMPARE(layout.footer, PageRect {});
            return;
        }
        const double unit = page.dotsPerInch / 25.4;
        const double margin = kPageMarginMillimetres * unit;
        const double left = std::max(margin, page.printable.left);
        const double top = std::max(margin, page.printable.top);
        const double roomRight = std::min(page.paperWidth - margin, right(page.printable));
        const double roomBottom = std::min(page.paperHeight - margin, bottom(page.printable));
        const double tolerance = 1e-6 * page.paperWidth;
        const PageRect &drawing = layout.drawing;
        const PageRect &footer = layout.footer;
        QVERIFY(std::abs(drawing.width / drawing.height - kPictureWidth / kPictureHeight) < 1e-9);
        QVERIFY(drawing.left >= left - tolerance);
        QVERIFY(drawing.top >= top - tolerance);
        QVERIFY(right(drawing) <= roomRight + tolerance);
        // The footer one line high, the gap above it, all inside the room.
        QVERIFY(std::abs(footer.height - kFooterPoints / 72 * page.dotsPerInch) < tolerance);
        QVERIFY(std::abs(footer.top - bottom(drawing) - kFooterGapMillimetres * unit) < tolerance);
        QCOMPARE(footer.left, drawing.left);
        QCOMPARE(footer.width, drawing.width);
        QVERIFY(bottom(footer) <= roomBottom + tolerance);
        // As large as it can be, centred both ways.
        if (widthBound)
            QVERIFY(std::abs(drawing.width - (roomRight - left)) < tolerance);
        else
            QVERIFY(std::abs(bottom(footer) - top - (roomBottom - top)) < tolerance);
        QVERIFY(std::abs((drawing.left - left) - (roomRight - right(drawing))) < tolerance);
        QVERIFY(std::abs((drawing.top - top) - (roomBottom - bottom(footer))) < tolerance);
    }

    // One A4 page worked out by hand: 297 x 210 mm at 72 dpi, printable everywhere.
    void placesDrawingOnA4()
    {
        const PrintLayout layout = printLayout(sheet(297, 210, 72), kPictureWidth, kPictureHeight);
        // The room is 267 mm wide: 756.85 points, so 756.85 / 849 of a picture pixel each.
        const double width = 267 / 25.4 * 72;
        const double height = width * kPictureHeight / kPictureWidth;
        QVERIFY(std::abs(layout.drawing.left - 15 / 25.4 * 72) < 1e-9);
        QVERIFY(std::abs(layout.drawing.width - width) < 1e-9);
        QVERIFY(std::abs(layout.drawing.height - height) < 1e-9);
        const double block = height + 4 / 25.4 * 72 + 10;
        QVERIFY(std::abs(layout.drawing.top - (210 / 25.4 * 72 - block) / 2) < 1e-9);
    }

    void footerNamesFileAndDate_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("footer");
        QTest::newRow("a record file") << "/home/taro/psa.csv" << 2026 << 12 << 7
                                       << "記録ファイル：/home/taro/psa.csv　印刷日：2026年12月7日";
        QTest::newRow("a Japanese name, a date of one-digit parts")
            << "/home/太郎/記録.csv" << 2027 << 1 << 9
            << "記録ファイル：/home/太郎/記録.csv　印刷日：2027年1月9日";
        QTest::newRow("no file") << "" << 2026 << 10 << 31
                                 << "記録はファイルに保存されていません　印刷日：2026年10月31日";
    }

    void footerNamesFileAndDate()
    {
        QFETCH(QString, file);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(QString, footer);
        QCOMPARE(QString::fromStdU16String(printFooter(file.toStdU16String(), { year, month, day })), footer);
    }

    // The record file the footer names: the last one loaded or saved; one that failed is not named.
    void recordFileFollowsLoadsAndSaves_data()
    {
        QTest::addColumn<QString>("steps"); // l: load, s: save, followed by the file's name; ! makes it fail
        QTest::addColumn<QString>("named");
        QTest::newRow("nothing yet") << ""
                                     << "";
        QTest::newRow("loaded") << "la"
                                << "a";
        QTest::newRow("saved") << "sb"
                               << "b";
        QTest::newRow("loaded, then saved under another name") << "la sb"
                                                               << "b";
        QTest::newRow("saved, then another loaded") << "sb la"
                                                    << "a";
        QTest::newRow("a load that fails keeps the last") << "la l!missing"
                                                          << "a";
        QTest::newRow("a save that fails keeps the last") << "la s!c"
                                                          << "a";
        QTest::newRow("a cancelled load keeps the last") << "la l"
                                                         << "a";
    }

    void recordFileFollowsLoadsAndSaves()
    {
        QFETCH(QString, steps);
        QFETCH(QString, named);
        testing::FormRig<testing::RecordingSurface> rig;
        rig.fake.files[u"a"] = testing::kSaved.toStdString();
        rig.type(testing::kExample);
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
            QString name = step.mid(1);
            if (name.startsWith('!')) {
                name = name.mid(1);
                rig.fake.failAtStep = rig.fake.steps + 1;
            }
            rig.click(step[0] == 'l' ? &Form1::Command4_Click : &Form1::Command3_Click, name);
            rig.fake.failAtStep = 0;
        }
        QCOMPARE(QString::fromStdU16String(rig.form.recordFile()), named);
    }
};

QTEST_GUILESS_MAIN(TestPrintPage)
#include "test_print_page.moc"
