#include "kit/Geometry.h"

#include <cmath>
#include <limits>
#include <ostream>

namespace kit {

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

bool hasNaN(const Rect& r) {
    return std::isnan(r.origin.x) || std::isnan(r.origin.y) || std::isnan(r.size.width) ||
           std::isnan(r.size.height);
}

} // namespace

Rect Rect::null() {
    return Rect{{infinity, infinity}, {0, 0}};
}

Rect Rect::make(double x, double y, double width, double height) {
    return Rect{{x, y}, {width, height}};
}

bool Rect::isNull() const {
    return origin.x == infinity || origin.y == infinity;
}

bool Rect::isEmpty() const {
    if (isNull()) return true;
    // Written as negations so that a NaN side counts as empty.
    return !(width() > 0) || !(height() > 0);
}

Rect Rect::standardized() const {
    if (isNull()) return null();
    Rect r = *this;
    if (r.size.width < 0) {
        r.origin.x += r.size.width;
        r.size.width = -r.size.width;
    }
    if (r.size.height < 0) {
        r.origin.y += r.size.height;
        r.size.height = -r.size.height;
    }
    return r;
}

double Rect::minX() const { return standardized().origin.x; }
double Rect::minY() const { return standardized().origin.y; }
double Rect::width() const { return standardized().size.width; }
double Rect::height() const { return standardized().size.height; }
double Rect::midX() const { return minX() + width() / 2; }
double Rect::midY() const { return minY() + height() / 2; }
double Rect::maxX() const { return minX() + width(); }
double Rect::maxY() const { return minY() + height(); }

Rect Rect::intersection(const Rect& other) const {
    if (isNull() || other.isNull() || hasNaN(*this) || hasNaN(other)) return null();
    const Rect a = standardized();
    const Rect b = other.standardized();
    const double x1 = a.minX() > b.minX() ? a.minX() : b.minX();
    const double y1 = a.minY() > b.minY() ? a.minY() : b.minY();
    const double x2 = a.maxX() < b.maxX() ? a.maxX() : b.maxX();
    const double y2 = a.maxY() < b.maxY() ? a.maxY() : b.maxY();
    if (x1 > x2 || y1 > y2) return null();
    const Rect result = make(x1, y1, x2 - x1, y2 - y1);
    // Infinite edges on both sides can still subtract to NaN.
    return hasNaN(result) ? null() : result;
}

Rect Rect::integral() const {
    if (isNull()) return null();
    const Rect r = standardized();
    const double x1 = std::floor(r.minX());
    const double y1 = std::floor(r.minY());
    const double x2 = std::ceil(r.maxX());
    const double y2 = std::ceil(r.maxY());
    return make(x1, y1, x2 - x1, y2 - y1);
}

Rect Rect::insetBy(double dx, double dy) const {
    if (isNull()) return null();
    Rect r = standardized();
    r.origin.x += dx;
    r.origin.y += dy;
    r.size.width -= 2 * dx;
    r.size.height -= 2 * dy;
    if (r.size.width < 0 || r.size.height < 0) return null();
    return r;
}

Rect Rect::offsetBy(double dx, double dy) const {
    if (isNull()) return null();
    Rect r = standardized();
    r.origin.x += dx;
    r.origin.y += dy;
    return r;
}

bool Rect::contains(Point p) const {
    if (isNull()) return false;
    return minX() <= p.x && p.x < maxX() && minY() <= p.y && p.y < maxY();
}

std::ostream& operator<<(std::ostream& out, const Point& p) {
    return out << '(' << p.x << ", " << p.y << ')';
}

std::ostream& operator<<(std::ostream& out, const Size& s) {
    return out << s.width << " x " << s.height;
}

std::ostream& operator<<(std::ostream& out, const Rect& r) {
    if (r.isNull()) return out << "(null)";
    return out << '(' << r.origin.x << ", " << r.origin.y << ", " << r.size.width << ", "
               << r.size.height << ')';
}

} // namespace kit
