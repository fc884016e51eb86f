#pragma once
// Points, sizes and rectangles in points, with the rectangle semantics the capture rules rely on:
// every accessor reads the standardised rectangle (negative sizes flipped), and the null rectangle
// (origin at +infinity, zero size) stands for "no rectangle", as an intersection of disjoint
// rectangles yields. Components are doubles; NaN never crashes anything here, it only makes
// comparisons fail.

#include <iosfwd>

namespace kit {

struct Point {
    double x = 0;
    double y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;

    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;

    static Rect null();
    static Rect make(double x, double y, double width, double height);

    // True when either origin component is +infinity.
    bool isNull() const;
    // Null, or a zero (or NaN) width or height.
    bool isEmpty() const;

    double minX() const;
    double midX() const;
    double maxX() const;
    double minY() const;
    double midY() const;
    double maxY() const;
    double width() const;
    double height() const;

    // Same area with non-negative size; null stays null.
    Rect standardized() const;
    // The common area; null when either is null, when they are disjoint, or when a component
    // is NaN. Rectangles that only touch give a zero-width (or zero-height) rectangle.
    Rect intersection(const Rect& other) const;
    // Smallest rectangle with whole-number edges containing this one; null stays null.
    Rect integral() const;
    // Shrinks each side by dx and dy (grows for negative values); null when the result would
    // have a negative size.
    Rect insetBy(double dx, double dy) const;
    Rect offsetBy(double dx, double dy) const;
    // Half-open: the max edges are outside, as for rectangles of pixels.
    bool contains(Point p) const;

    // Exact, component-wise: (0, 0, -1, -1) differs from (-1, -1, 1, 1).
    friend bool operator==(const Rect&, const Rect&) = default;
};

std::ostream& operator<<(std::ostream& out, const Point& p);
std::ostream& operator<<(std::ostream& out, const Size& s);
std::ostream& operator<<(std::ostream& out, const Rect& r);

} // namespace kit
