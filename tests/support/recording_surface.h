#pragma once

#include "platform/toolkit.h"

#include <QStringList>

namespace psa::testing {

// A drawing surface that keeps every call as text, in order: "line x,y x,y R" (R the red of the line's
// colour, which tells black, silver and red apart, or -1 without a colour of its own), "circle x,y r radius",
// "print x,y value" and "cls". Coordinates have 9 digits, so that rounding in the last bits does not count.
class RecordingSurface : public Surface {
public:
    static QString text(Point p) { return QString::number(p.x, 'g', 9) + ',' + QString::number(p.y, 'g', 9); }

    void Scale(Point, Point) override { }
    void Line(Point a, Point b, std::optional<Colour> c) override
    {
        calls << "line " + text(a) + ' ' + text(b) + ' ' + QString::number(c ? c->red : -1);
    }
    void Circle(Point centre, double radius) override
    {
        calls << "circle " + text(centre) + " r " + QString::number(radius);
    }
    void CurrentX(double x) override { m_textPosition.x = x; }
    void CurrentY(double y) override { m_textPosition.y = y; }
    void Print(double value) override
    {
        calls << "print " + text(m_textPosition) + ' ' + QString::number(value, 'g', 9);
    }
    void Cls() override { calls << "cls"; }
    void AutoRedraw(bool) override { }
    [[nodiscard]] Result<std::string> bitmapBytes() const override { return std::string("BM-fake"); }

    QStringList calls;

private:
    Point m_textPosition;
};

} // namespace psa::testing
