#include "graph/graph.h"
#include "platform/win32/dib_surface.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// The worked example: (2004, 11, 4.2), (2005, 3, 12.5), (2005, 9, 8.75).
psa::Records workedExample()
{
    psa::Records records;
    const double rows[3][3] = { { 2004, 11, 4.2 }, { 2005, 3, 12.5 }, { 2005, 9, 8.75 } };
    for (int k = 0; k < 9; ++k)
        records.RecordTable.set(k / 3 + 1, k % 3 + 1, rows[k / 3][k % 3]);
    records.RecordCount = 3;
    return records;
}

// The logical pixel of a graph position on the 849 x 521 picture, times the scale.
int column(double x, double scale = 1)
{
    return int(std::floor(x / 910 * 849) * scale);
}
int row(double y, double scale = 1)
{
    return int(std::floor((700 - y) / 700 * 521) * scale);
}
double yOfPsa(double psa)
{
    return 250 + 100 * std::log10(psa);
}

bool isBlack(psa::Colour c)
{
    return c.red < 64 && c.green < 64 && c.blue < 64;
}
bool isRed(psa::Colour c)
{
    return c.red > 200 && c.green < 64 && c.blue < 64;
}
bool isInk(psa::Colour c)
{
    return !(c == psa::kWhite);
}

// The pixel rows that are drawn over almost the whole plot width: the horizontal grid lines.
std::vector<int> gridRows(const psa::DibSurface &surface, double scale)
{
    std::vector<int> rows;
    const int left = column(40, scale) + 1, right = column(900, scale) - 1;
    for (int y = 0; y < surface.pixelHeight(); ++y) {
        int ink = 0;
        for (int x = left; x <= right; ++x)
            ink += isInk(surface.pixel(x, y)) ? 1 : 0;
        if (ink > (right - left) * 95 / 100)
            rows.push_back(y);
    }
    return rows;
}

std::uint32_t le32(const std::string &bytes, std::size_t at)
{
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

} // namespace

TEST_CASE("the worked example's graph on the DIB surface")
{
    for (const double scale : { 1.0, 2.0 }) {
        CAPTURE(scale);
        psa::DibSurface surface(849, 521, scale);
        psa::Records records = workedExample();
        psa::DrawGraph(records, surface);
        const int thick = int(scale);

        SUBCASE("46 grid lines, each one logical pixel high, the red ones at PSA 0.2 and 2")
        {
            std::vector<int> expected;
            for (double power = 1; power <= 10000; power *= 10)
                for (int digit = 1; digit <= 9; ++digit)
                    for (int t = 0; t < thick; ++t)
                        expected.push_back(row(50 + 100 * std::log10(digit * power), scale) + t);
            for (int t = 0; t < thick; ++t)
                expected.push_back(row(550, scale) + t);
            std::sort(expected.begin(), expected.end());
            CHECK(gridRows(surface, scale) == expected);
            for (const double psa : { 0.2, 2.0 }) {
                const int y = row(yOfPsa(psa), scale);
                CHECK(isRed(surface.pixel(column(470, scale), y)));
                CHECK(isRed(surface.pixel(column(470, scale), y + thick - 1)));
                CHECK_FALSE(isRed(surface.pixel(column(470, scale), y + thick)));
            }
        }
        SUBCASE("the left axis runs from the top line to below the bottom axis, the right one to it")
        {
            for (int y = row(550, scale); y <= row(20, scale) + thick - 1; ++y)
                REQUIRE(isBlack(surface.pixel(column(40, scale), y)));
            CHECK_FALSE(isBlack(surface.pixel(column(40, scale), row(20, scale) + thick)));
            CHECK(isBlack(surface.pixel(column(900, scale), row(50, scale))));
            CHECK_FALSE(isBlack(surface.pixel(column(900, scale), row(50, scale) + thick)));
        }
        SUBCASE("the second record's marker is a ring of 5 units, as high as wide")
        {
            const int cx = column(380, scale), cy = row(yOfPsa(12.5), scale), r = 5 * thick;
            for (const int y : { cy - r, cy + r }) {
                CHECK(isBlack(surface.pixel(cx, y)));
                CHECK_FALSE(isBlack(surface.pixel(cx, y - thick)));
                CHECK_FALSE(isBlack(surface.pixel(cx, y + thick)));
            }
            CHECK(isBlack(surface.pixel(cx - r, cy)));
            CHECK(isBlack(surface.pixel(cx + r, cy)));
        }
        SUBCASE("a number hangs below its position")
        {
            int above = 0, below = 0;
            const int x = column(5, scale), y = row(255, scale);
            for (int dx = 0; dx < 24 * thick; ++dx) {
                for (int dy = 1; dy <= 10 * thick; ++dy)
                    above += isBlack(surface.pixel(x + dx, y - dy)) ? 1 : 0;
                for (int dy = 0; dy < 15 * thick; ++dy)
                    below += isBlack(surface.pixel(x + dx, y + dy)) ? 1 : 0;
            }
            CHECK(above == 0);
            CHECK(below > 0);
        }
        SUBCASE("clearing leaves only white")
        {
            surface.Cls();
            CHECK(gridRows(surface, scale).empty());
            CHECK(surface.pixel(column(40, scale), row(300, scale)) == psa::kWhite);
        }
    }
}

TEST_CASE("the bitmap bytes: a 24-bit bottom-up BMP of the device pixels")
{
    psa::DibSurface surface;
    psa::Records records = workedExample();
    psa::DrawGraph(records, surface);
    const std::string bmp = surface.BitmapBytes();
    const std::size_t rowBytes = 2548; // 849 x 3, padded to a multiple of 4
    REQUIRE(bmp.size() == 54 + rowBytes * 521);
    CHECK(bmp.substr(0, 2) == "BM");
    CHECK(le32(bmp, 2) == bmp.size());
    CHECK(le32(bmp, 10) == 54);
    CHECK(le32(bmp, 14) == 40);
    CHECK(le32(bmp, 18) == 849);
    CHECK(le32(bmp, 22) == 521);
    CHECK((le32(bmp, 26) >> 16) == 24);
    CHECK(le32(bmp, 30) == 0);
    // The red line at PSA 2 lies in the file's row counted from the bottom, blue, green, red in that order.
    const int y = row(yOfPsa(2));
    const std::size_t at = 54 + rowBytes * std::size_t(520 - y) + 3 * std::size_t(column(470));
    CHECK(std::uint8_t(bmp[at]) == 0);
    CHECK(std::uint8_t(bmp[at + 1]) == 0);
    CHECK(std::uint8_t(bmp[at + 2]) == 255);
    CHECK(bmp[54 + rowBytes - 1] == '\0'); // the padding byte of the bottom row
    // At scale 2 the file holds the device pixels, twice as many each way.
    psa::DibSurface dense(849, 521, 2);
    const std::string denseBmp = dense.BitmapBytes();
    CHECK(le32(denseBmp, 18) == 1698);
    CHECK(le32(denseBmp, 22) == 1042);
}
