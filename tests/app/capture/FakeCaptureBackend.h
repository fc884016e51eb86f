#pragma once
// A scripted X server for the capture rules: monitors, client windows, a stacking list and a
// root picture whose every pixel tells where it came from.

#include <exception>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include <QImage>

#include "app/capture/OwnWindows.h"
#include "app/capture/ScreenCaptureService.h"
#include "app/platform/CaptureBackend.h"

namespace capturefakes {

using platform::ClientWindow;
using platform::Monitor;
using platform::WindowType;

// A pixel that encodes its own root position (x in red and the top of green, y in the bottom of
// green and blue): any two pixels of a root up to 4096 x 4096 differ.
inline QRgb pixelAt(int x, int y) {
    return qRgb((x >> 4) & 0xff, ((x & 0xf) << 4) | ((y >> 8) & 0xf), y & 0xff);
}

inline QImage encodedRoot(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) line[x] = pixelAt(x, y);
    }
    return image;
}

class Backend : public platform::CaptureBackend {
public:
    std::vector<Monitor> monitorList;
    std::vector<ClientWindow> clients;
    std::vector<std::uint32_t> stacking;
    std::optional<QPoint> pointerAt;
    QImage root = encodedRoot(3840, 1440);
    std::exception_ptr grabFailure;
    std::vector<QRect> grabs;
    // Windows that stay on screen after being hidden, and how many more questions they last.
    std::set<std::uint32_t> lingering;
    // What each look at the screen's drawing reports, in turn; nothing once used up.
    std::vector<std::vector<QRect>> damage;
    int damageLooks = 0;

    // A Wayland session's: the windows listed are only some of those on screen.
    bool partialList = false;

    std::vector<Monitor> monitors() override { return monitorList; }
    bool listsEveryWindow() const override { return !partialList; }
    std::vector<ClientWindow> clientWindows() override { return clients; }
    std::vector<std::uint32_t> stackingBottomToTop() override { return stacking; }
    std::optional<QPoint> pointer() override { return pointerAt; }
    QCoro::Task<std::vector<QImage>> grabAreas(std::vector<QRect> areas) override {
        if (grabFailure) std::rethrow_exception(grabFailure);
        std::vector<QImage> images;
        for (const QRect& area : areas) {
            grabs.push_back(area);
            images.push_back(root.copy(area));
        }
        co_return images;
    }
    bool isShowing(std::uint32_t window) override { return lingering.erase(window) > 0; }
    std::unique_ptr<platform::DamageWatch> watchDamage() override {
        struct Watch : platform::DamageWatch {
            Backend& backend;
            explicit Watch(Backend& b) : backend(b) {}
            std::vector<QRect> takeDamage() override {
                const auto look = static_cast<std::size_t>(backend.damageLooks++);
                return look < backend.damage.size() ? backend.damage[look] : std::vector<QRect>{};
            }
        };
        return std::make_unique<Watch>(*this);
    }
};

class Own : public OwnWindows {
public:
    std::set<std::uint32_t> windows;
    // What hideOver hides, and where.
    std::vector<std::pair<std::uint32_t, QRect>> onScreen;
    std::vector<QRect> hideRequests;
    std::set<std::uint32_t> hidden;
    int restores = 0;

    std::set<std::uint32_t> ids() const override { return windows; }
    HiddenWindows hideOver(const QRect& rootArea) override {
        hideRequests.push_back(rootArea);
        std::vector<std::uint32_t> ids;
        QRegion area;
        for (const auto& [id, where] : onScreen) {
            if (where.intersects(rootArea)) {
                ids.push_back(id);
                area += where & rootArea;
                hidden.insert(id);
            }
        }
        if (ids.empty()) return {};
        return HiddenWindows(ids, area, [this, ids] {
            ++restores;
            for (auto id : ids) hidden.erase(id);
        });
    }
};

// The real capture service over a scripted backend and Glimpo's windows, none unless `own` scripts them.
inline std::unique_ptr<ScreenCaptureService> service(const std::shared_ptr<Backend>& backend, double scale = 1.0,
                                                     Own** own = nullptr) {
    auto windows = std::make_unique<Own>();
    if (own) *own = windows.get();
    return std::make_unique<ScreenCaptureService>(backend, std::make_shared<DisplayService>(backend, scale),
                                                  std::move(windows));
}

inline ClientWindow client(std::uint32_t id, QRect geometry, std::vector<WindowType> types = {WindowType::normal}) {
    ClientWindow window;
    window.id = id;
    window.geometry = geometry;
    window.types = std::move(types);
    window.viewable = true;
    window.title = "Title";
    window.className = "App";
    return window;
}

} // namespace capturefakes
