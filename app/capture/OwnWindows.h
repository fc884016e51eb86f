#pragma once
// Glimpo's own top-level windows: every window this process shows. They are never offered for
// window capture, and those on screen (thumbnails, notices, the all-in-one bar, settings) are
// hidden while the screen is grabbed live, so they never appear in a capture.

#include <cstdint>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include <QRect>
#include <QRegion>

// Windows hidden for a grab; they come back when this goes.
class HiddenWindows {
public:
    HiddenWindows() = default;
    HiddenWindows(std::vector<std::uint32_t> ids, QRegion area, std::function<void()> restore)
        : ids_(std::move(ids)), area_(std::move(area)), restore_(std::move(restore)) {}
    ~HiddenWindows() { restore(); }
    HiddenWindows(HiddenWindows&& other) noexcept
        : ids_(std::move(other.ids_)), area_(std::move(other.area_)), restore_(std::exchange(other.restore_, nullptr)) {}
    HiddenWindows& operator=(HiddenWindows&& other) noexcept {
        if (this != &other) {
            restore();
            ids_ = std::move(other.ids_);
            area_ = std::move(other.area_);
            restore_ = std::exchange(other.restore_, nullptr);
        }
        return *this;
    }
    HiddenWindows(const HiddenWindows&) = delete;
    HiddenWindows& operator=(const HiddenWindows&) = delete;

    bool empty() const { return ids_.empty(); }
    // X window ids of what was hidden.
    const std::vector<std::uint32_t>& ids() const { return ids_; }
    // Root pixels the hidden windows covered: what must be drawn again before a grab.
    const QRegion& area() const { return area_; }

    // Shows them again now.
    void restore() {
        if (auto done = std::exchange(restore_, nullptr)) done();
        ids_.clear();
        area_ = {};
    }

private:
    std::vector<std::uint32_t> ids_;
    QRegion area_;
    std::function<void()> restore_;
};

class OwnWindows {
public:
    virtual ~OwnWindows() = default;

    // X window ids of every top-level window this process created.
    virtual std::set<std::uint32_t> ids() const = 0;
    // Hides those on screen that overlap `rootArea` (root pixels).
    virtual HiddenWindows hideOver(const QRect& rootArea) = 0;
};

// This process's Qt windows.
class QtOwnWindows : public OwnWindows {
public:
    std::set<std::uint32_t> ids() const override;
    HiddenWindows hideOver(const QRect& rootArea) override;
};
