#pragma once
// Displays are the X server's RandR monitors. Global coordinates are points with the origin at
// the bottom-left of the primary display, y up; the X server counts root pixels from the top-left
// of the root window, y down. DisplayLayout holds the only conversion between the two; widgets
// get their own y-down points (origin at their display's top-left) from it as well.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <QPointF>
#include <QRect>
#include <QRectF>

#include "app/capture/DisplayLocator.h"
#include "app/platform/CaptureBackend.h"
#include "kit/Geometry.h"

struct DisplayInfo {
    // The monitor's name atom.
    std::uint32_t id = 0;
    // Global points.
    kit::Rect frame;
    // Root pixels.
    QRect pixels;
    // Pixels per point.
    double scale = 1;

    friend bool operator==(const DisplayInfo&, const DisplayInfo&) = default;
};

// The displays as they were when read. Cheap to copy.
class DisplayLayout {
public:
    DisplayLayout() = default;
    DisplayLayout(const std::vector<platform::Monitor>& monitors, double scale);

    // In the server's order.
    const std::vector<DisplayInfo>& displays() const { return displays_; }
    double scale() const { return scale_; }

    // The first display whose frame holds the point, edges included.
    const DisplayInfo* screenContaining(kit::Point global) const;
    const DisplayInfo* screen(std::uint32_t id) const;
    // The primary monitor, else the first; null without displays.
    const DisplayInfo* mainDisplay() const;

    kit::Point globalFromRoot(QPointF root) const;
    QPointF rootFromGlobal(kit::Point global) const;
    kit::Rect globalFromRoot(const QRectF& root) const;
    QRectF rootFromGlobal(const kit::Rect& global) const;

    // A display's own points: origin at its top-left, y down.
    static kit::Point localFromGlobal(const DisplayInfo& display, kit::Point global);
    static kit::Rect localFromGlobal(const DisplayInfo& display, const kit::Rect& global);
    static kit::Point globalFromLocal(const DisplayInfo& display, kit::Point local);

    friend bool operator==(const DisplayLayout&, const DisplayLayout&) = default;

private:
    std::vector<DisplayInfo> displays_;
    double scale_ = 1;
    // Root pixels of the primary display: the origin of global coordinates.
    QRect primary_;
};

class DisplayService : public DisplayLocator {
public:
    // A fixed scale for tests; without one the scale is read from Qt at every layout().
    explicit DisplayService(std::shared_ptr<platform::CaptureBackend> backend,
                            std::optional<double> scale = std::nullopt);

    // Reads the monitors now.
    DisplayLayout layout() const;

    kit::Point pointerLocation() const override;
    std::optional<Screen> screenContaining(kit::Point globalPoint) const override;
    std::optional<Screen> mainScreen() const override;
    std::vector<Screen> allScreens() const override;
    QRect toTopLeft(const kit::Rect& global) const override;

    // Where Qt wants a top-level widget placed to cover `root` pixels exactly: Qt keeps each
    // screen's top-left in native pixels and divides only the distances inside it.
    static QRect widgetGeometry(const QRect& root);
    // The inverse, for a widget's frame geometry.
    static QRect rootGeometry(const QRect& widget);

private:
    std::shared_ptr<platform::CaptureBackend> backend_;
    std::optional<double> scale_;
};
