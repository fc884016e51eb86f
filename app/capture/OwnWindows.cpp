#include "app/capture/OwnWindows.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include "app/capture/DisplayService.h"
#include "app/capture/SelectionOverlayView.h"

std::set<std::uint32_t> QtOwnWindows::ids() const {
    std::set<std::uint32_t> result;
    if (!qGuiApp) return result;
    for (QWindow* window : QGuiApplication::allWindows()) {
        // winId() would create a native window for one that has none yet.
        if (window->handle()) result.insert(static_cast<std::uint32_t>(window->winId()));
    }
    return result;
}

HiddenWindows QtOwnWindows::hideOver(const QRect& rootArea) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return {};
    std::vector<std::uint32_t> ids;
    QRegion area;
    std::vector<QPointer<QWidget>> hidden;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible() || !widget->windowHandle() || !widget->windowHandle()->handle()) continue;
        // Menus and tooltips close when hidden, the tray icon lives inside the desktop's panel, and
        // the overlay shows a frozen frame anyway: hiding them would break them, not the capture.
        const Qt::WindowType type = widget->windowType();
        if (type == Qt::Popup || type == Qt::ToolTip) continue;
        if (widget->inherits("QSystemTrayIconSys") || qobject_cast<SelectionOverlayView*>(widget)) continue;
        const QRect frame = DisplayService::rootGeometry(widget->frameGeometry());
        if (!frame.intersects(rootArea)) continue;
        area += frame & rootArea;
        ids.push_back(static_cast<std::uint32_t>(widget->winId()));
        hidden.emplace_back(widget);
        widget->hide();
    }
    if (ids.empty()) return {};
    return HiddenWindows(std::move(ids), std::move(area), [hidden = std::move(hidden)] {
        for (const QPointer<QWidget>& widget : hidden) {
            if (!widget) continue;
            // Coming back must not take the focus from where the user left it.
            const bool quiet = widget->testAttribute(Qt::WA_ShowWithoutActivating);
            widget->setAttribute(Qt::WA_ShowWithoutActivating, true);
            widget->show();
            widget->setAttribute(Qt::WA_ShowWithoutActivating, quiet);
        }
    });
}
