#pragma once
// What one quick-access thumbnail shows. Every field is observable: the thumbnail view redraws
// when one changes. Main thread only.

#include <optional>
#include <string>

#include <QImage>

#include "app/base/Observation.h"
#include "app/storage/Capture.h"

class ThumbnailModel {
public:
    struct Status {
        enum class Kind { failed, idle, copied };

        static Status failed(std::string message) { return {Kind::failed, std::move(message)}; }
        static Status idle() { return {Kind::idle, {}}; }
        static Status copied() { return {Kind::copied, {}}; }

        bool isIdle() const { return kind == Kind::idle; }

        Kind kind = Kind::idle;
        // Shown in place of the buttons; failed only.
        std::string message;

        friend bool operator==(const Status&, const Status&) = default;
    };

    explicit ThumbnailModel(Capture capture, std::optional<QImage> preview = std::nullopt);

    // Its id is the thumbnail's identity. A tracked read: an edited picture replaces it.
    const Capture& capture() const { return capture_.get(); }

    // Tracked reads.
    const std::optional<QImage>& preview() const { return preview_.get(); }
    const Status& status() const { return status_.get(); }
    bool isHovering() const { return isHovering_.get(); }
    // Whether the file is being dragged out of the thumbnail right now.
    bool isDragging() const { return isDragging_.get(); }

    // The edited picture takes the place of the capture; the id stays.
    void setCapture(Capture capture);
    void setPreview(std::optional<QImage> preview);
    void setStatus(Status status);
    void setHovering(bool hovering);
    void setDragging(bool dragging);

private:
    Observed<Capture> capture_;
    Observed<std::optional<QImage>> preview_;
    Observed<Status> status_{Status::idle()};
    Observed<bool> isHovering_{false};
    Observed<bool> isDragging_{false};
};
