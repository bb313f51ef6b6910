// The printed page: where the graph and the line under it go on papers and printers of every kind, what that
// line says, and which record file it names.

#include "app/print_page.h"
#include "support/example_records.h"
#include "support/form_rig.h"
#include "support/recording_surface.h"

#include <QtTest>

#include <cmath>

using namespace psa;

Q_DECLARE_METATYPE(psa::PrintedPage)

namespace {

constexpr double kPictureWidth = 849, kPictureHeight = 521;

// A whole sheet of `widthMm` x `heightMm` at `dpi`, printable to within `edgeMm` of every edge.
PrintedPage sheet(double widthMm, double heightMm, double dpi, double edgeMm = 0)
{
    const double unit = dpi / 25.4;
    return { widthMm * unit, heightMm * unit,
        { edgeMm * unit, edgeMm * unit, (widthMm - 2 * edgeMm) * unit, (heightMm - 2 * edgeMm) * unit },
        dpi };
}

bool near(double actual, double expected, double tolerance)
{
    return std::abs(actual - expected) <= tolerance;
}

} // namespace

class TestPrintPage : public QObject {
    Q_OBJECT

private slots:
    // The drawing keeps the picture's proportions, fills the room one way, stays inside the printable part
    // and 15 mm from the paper's edges, and has its footer under it, the two centred together; a page without
    // room for them gives nothing.
    void fitsDrawingOnPage_data()
    {
        QTest::addColumn<PrintedPage>("page");
        QTest::addColumn<QString>(
            "bound"); // what the room bounds: the drawing's "width" or "height"; "" none
        QTest::newRow("A4 landscape, 600 dpi") << sheet(297, 210, 600) << "width";
        QTest::newRow("wide strip: the height bounds it") << sheet(400, 100, 300) << "height";
        QTest::newRow("printer's own edges wider than the margins") << sheet(297, 210, 600, 25) << "width";
        QTest::newRow("label too small for margins") << sheet(30, 20, 300) << "";
        QTest::newRow("no room left for the picture under its footer") << sheet(100, 37, 300) << "";
        QTest::newRow("no resolution") << PrintedPage { 7016, 4960, { 0, 0, 7016, 4960 }, 0 } << "";
    }

    void fitsDrawingOnPage()
    {
        QFETCH(PrintedPage, page);
        QFETCH(QString, bound);
        const PrintLayout layout = printLayout(page, kPictureWidth, kPictureHeight);
        QCOMPARE(layout.fits, !bound.isEmpty());
        if (!layout.fits)
            return;
        const PageRect &drawing = layout.drawing;
        const PageRect &footer = layout.footer;
        const double unit = page.dotsPerInch / 25.4;
        const double margin = 15 * unit;
        const double left = std::max(margin, page.printable.left);
        const double top = std::max(margin, page.printable.top);
        const double right = std::min(page.paperWidth - margin, page.printable.left + page.printable.width);
        const double bottom = std::min(page.paperHeight - margin, page.printable.top + page.printable.height);
        const double tolerance = 1e-6 * page.paperWidth;
        const double footerBottom = footer.top + footer.height;
        QVERIFY(near(drawing.width / drawing.height, kPictureWidth / kPictureHeight, 1e-9));
        // The footer 10 points high, 4 mm under the drawing, as wide as it.
        QVERIFY(near(footer.height, 10.0 / 72 * page.dotsPerInch, tolerance));
        QVERIFY(near(footer.top, drawing.top + drawing.height + 4 * unit, tolerance));
        QCOMPARE(footer.left, drawing.left);
        QCOMPARE(footer.width, drawing.width);
        // As large as the room allows one way, centred both ways within it.
        QVERIFY(bound == "width" ? near(drawing.width, right - left, tolerance)
                                 : near(footerBottom - top, bottom - top, tolerance));
        QVERIFY(near(drawing.left - left, right - (drawing.left + drawing.width), tolerance));
        QVERIFY(near(drawing.top - top, bottom - footerBottom, tolerance));
    }

    // The footer names the record file last loaded or saved, not one that failed, and the day it is printed.
    void footerNamesRecordFile_data()
    {
        QTest::addColumn<QString>("steps"); // l: load, s: save, followed by the file's name; ! makes it fail
        QTest::addColumn<QString>("named");
        QTest::newRow("nothing loaded or saved") << ""
                                                 << "記録はファイルに保存されていません";
        QTest::newRow("loaded, then saved under another name") << "la s/home/太郎/記録.csv"
                                                               << "記録ファイル：/home/太郎/記録.csv";
        QTest::newRow("saved, then another loaded") << "sb la"
                                                    << "記録ファイル：a";
        QTest::newRow("a load that fails keeps the last") << "la l!missing"
                                                          << "記録ファイル：a";
        QTest::newRow("a save that fails keeps the last") << "la s!c"
                                                          << "記録ファイル：a";
        QTest::newRow("a cancelled load keeps the last") << "la l"
                                                         << "記録ファイル：a";
    }

    void footerNamesRecordFile()
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
        QCOMPARE(QString::fromStdU16String(printFooter(rig.form.recordFile(), { 2027, 1, 9 })),
            named + "　印刷日：2027年1月9日");
    }
};

QTEST_GUILESS_MAIN(TestPrintPage)
#include "test_print_page.moc"
