#pragma once
// Opens the program's ordinary windows (settings, welcome) once per identifier. Showing an open
// window again brings it to the front without rebuilding its content; once closed, the next show
// builds it afresh. Windows are fixed-size, titled and closable only, centred in the available
// area of the display under the pointer and never larger than it: content that does not fit
// scrolls.

#include "app/base/Log.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>

class WindowPresenter : public QObject {
    Q_OBJECT
public:
    using ContentFactory = std::function<std::unique_ptr<QWidget>()>;
    // The area a new window is centred in, in screen coordinates.
    using PlacementArea = std::function<QRect()>;

    // Without a placement area, windows centre on the work area of the screen under the pointer.
    explicit WindowPresenter(PlacementArea placementArea = {}, QObject* parent = nullptr);
    // Closes and deletes the windows still open.
    ~WindowPresenter() override;

    WindowPresenter(const WindowPresenter&) = delete;
    WindowPresenter& operator=(const WindowPresenter&) = delete;

    void show(const QString& identifier, const QString& title, const ContentFactory& makeContent);
    void close(const QString& identifier);

    // The open window with this identifier, or null.
    QWidget* window(const QString& identifier) const;
    bool isOpen(const QString& identifier) const { return window(identifier) != nullptr; }

private:
    void forget(const QString& identifier, const QWidget* window);
    QRect placementArea() const;

    PlacementArea placementArea_;
    // The presenter owns these: parentless, deleted on close (Qt) or with the presenter.
    std::map<QString, QPointer<QWidget>> windows_;
    Logger log_{"app"};
};
