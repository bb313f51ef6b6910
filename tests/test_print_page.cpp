// The printed page: where the graph and the line under it go on papers and printers of every kind, what that
// line says, and which record file it names.

#include "app/print_page.h"
#include "support/example_records.h"
#include "support/form_rig.h"
#include "support/recording_surface.h"

#include <QtTest>

using namespace psa;

Q_DECLARE_METATYPE(psa::PrintedPage)

namespace {

// A whole sheet of `widthMm` x `heightMm` at `dpi`, printable to within `edgeMm` of every edge.
PrintedPage sheet(double widthMm, double heightMm, double dpi, double edgeMm = 0)
{
    const double unit = dpi / 25.4;
    return { widthMm * unit, heightMm * unit,
        { edgeMm * unit, edgeMm * unit, (widthMm - 2 * edgeMm) * unit, (heightMm - 2 * edgeMm) * unit },
        dpi };
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
        QTest::addColumn<QString>("drawing"); // left, top, width and height in millimetres; "" when none fits
        QTest::newRow("A4 landscape, 600 dpi") << sheet(297, 210, 600) << "15.00 19.31 267.00 163.85";
        QTest::newRow("wide strip: the height bounds it")
            << sheet(400, 100, 300) << "149.10 15.00 101.80 62.47";
        QTest::newRow("printer's own edges wider than the margins")
            << sheet(297, 210, 600, 25) << "25.00 25.45 247.00 151.57";
        QTest::newRow("label too small for margins") << sheet(30, 20, 300) << "";
        QTest::newRow("no room left for the picture under its footer") << sheet(100, 37, 300) << "";
        QTest::newRow("no resolution") << PrintedPage { 7016, 4960, { 0, 0, 7016, 4960 }, 0 } << "";
    }

    void fitsDrawingOnPage()
    {
        QFETCH(PrintedPage, page);
        QFETCH(QString, drawing);
        const PrintLayout layout = printLayout(page, 849, 521);
        QCOMPARE(layout.fits, !drawing.isEmpty());
        if (!layout.fits)
            return;
        const double unit = page.dotsPerInch / 25.4;
        const auto inMillimetres = [unit](const PageRect &rect) {
            return QString::asprintf("%.2f %.2f %.2f %.2f", rect.left / unit, rect.top / unit,
                rect.width / unit, rect.height / unit);
        };
        QCOMPARE(inMillimetres(layout.drawing), drawing);
        // The footer 10 points high, 4 mm under the drawing, as wide as it.
        const PageRect &shown = layout.drawing;
        QCOMPARE(inMillimetres(layout.footer),
            inMillimetres({ shown.left, shown.top + shown.height + 4 * unit, shown.width,
                10.0 / 72 * page.dotsPerInch }));
    }

    // The footer names the record file last loaded or saved, not one that failed, and the day it is printed.
    void footerNamesRecordFile_data()
    {
        QTest::addColumn<QString>("steps"); // l: load, s: save, followed by the file's name; ! makes it fail
        QTest::addColumn<QString>("named");
        const auto row = [](const char *name, const char *steps, const char *named) {
            QTest::newRow(name) << QString(steps) << QString(named);
        };
        row("nothing loaded or saved", "", "記録はファイルに保存されていません");
        row("loaded, then saved under another name", "la s/home/太郎/記録.csv",
            "記録ファイル：/home/太郎/記録.csv");
        row("a load that fails keeps the last", "la l!missing", "記録ファイル：a");
        row("a save that fails keeps the last", "la s!c", "記録ファイル：a");
        row("a cancelled load keeps the last", "la l", "記録ファイル：a");
    }

    void footerNamesRecordFile()
    {
        QFETCH(QString, steps);
        QFETCH(QString, named);
        testing::FormRig<testing::RecordingSurface> rig;
        rig.fake.files[u"a"] = testing::kSaved.toStdString();
        rig.type(testing::kExample);
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
            const bool fails = step.size() > 1 && step[1] == '!';
            rig.fake.failAtStep = fails ? rig.fake.steps + 1 : 0;
            rig.click(
                step[0] == 'l' ? &Form1::Command4_Click : &Form1::Command3_Click, step.mid(fails ? 2 : 1));
        }
        QCOMPARE(QString::fromStdU16String(printFooter(rig.form.recordFile(), { 2027, 1, 9 })),
            named + "　印刷日：2027年1月9日");
    }
};

QTEST_GUILESS_MAIN(TestPrintPage)
#include "test_print_page.moc"
