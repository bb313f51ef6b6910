// The graph of any table: never crashes, hands the surface only finite coordinates of a sane size, and draws
// a bounded number of primitives.

#include "fuzz/fuzz_input.h"
#include "graph/graph.h"
#include "platform/toolkit.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Far beyond the logical area (0..910 x 0..700), yet nothing a painter would choke on.
constexpr double kSaneCoordinate = 1e5;
constexpr long kMaxPrimitives = 20000;

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "graph handed the surface %s\n", what);
    std::abort();
}

class CheckingSurface : public psa::Surface {
public:
    void Scale(psa::Point upperLeft, psa::Point lowerRight) override
    {
        check(upperLeft);
        check(lowerRight);
    }
    void Line(psa::Point from, psa::Point to, std::optional<psa::Colour>) override
    {
        check(from);
        check(to);
        count();
    }
    void Circle(psa::Point centre, double radius) override
    {
        check(centre);
        if (!std::isfinite(radius) || radius < 0 || radius > kSaneCoordinate)
            fail("a bad radius");
        count();
    }
    void CurrentX(double x) override { check({ x, 0 }); }
    void CurrentY(double y) override { check({ 0, y }); }
    void Print(double value) override
    {
        if (!std::isfinite(value))
            fail("a non-finite number to print");
        count();
    }
    void Cls() override { }
    void AutoRedraw(bool) override { }
    [[nodiscard]] psa::Result<std::string> bitmapBytes() const override { return psa::Failure {}; }

private:
    static void check(psa::Point p)
    {
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            fail("a non-finite coordinate");
        if (std::fabs(p.x) > kSaneCoordinate || std::fabs(p.y) > kSaneCoordinate)
            fail("an absurdly large coordinate");
    }
    void count()
    {
        if (++m_primitives > kMaxPrimitives)
            fail("too many primitives");
    }
    long m_primitives = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    psa::fuzzing::NumberSource source(data, size);
    psa::Records records;
    records.RecordCount = 1 + source.byte() % 35;
    for (int row = 1; row <= records.RecordCount; ++row)
        for (int column = 1; column <= 3; ++column)
            records.RecordTable.set(row, column, source.number());
    CheckingSurface surface;
    psa::drawGraph(records, surface);
    return 0;
}
