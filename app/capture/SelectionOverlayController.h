#pragma once
// Lets the user drag an area or pick a window, and reports what was chosen.

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include <QObject>

#include "kit/Geometry.h"

struct FrozenScreen;

enum class SelectionMode { area, window };
// What the chosen area is for, as far as the overlay tells the user.
enum class SelectionPurpose { capture, recording };

class SelectionResult {
public:
    enum class Kind { area, window, cancelled };

    static SelectionResult area(kit::Rect rect, std::uint32_t displayID) { return {Kind::area, rect, displayID, 0}; }
    static SelectionResult window(std::uint32_t windowNumber) { return {Kind::window, {}, 0, windowNumber}; }
    static SelectionResult cancelled() { return {Kind::cancelled, {}, 0, 0}; }

    Kind kind() const { return kind_; }
    // Display-local points of the display named by displayID().
    kit::Rect rect() const { return rect_; }
    std::uint32_t displayID() const { return displayID_; }
    std::uint32_t windowNumber() const { return windowNumber_; }
    // The frame the user chose from, to cut the capture from; null when there was none.
    const std::shared_ptr<const FrozenScreen>& frozen() const { return frozen_; }

    SelectionResult withFrozen(std::shared_ptr<const FrozenScreen> frozen) && {
        frozen_ = std::move(frozen);
        return std::move(*this);
    }

private:
    SelectionResult(Kind kind, kit::Rect rect, std::uint32_t display, std::uint32_t window)
        : kind_(kind), rect_(rect), displayID_(display), windowNumber_(window) {}

    Kind kind_;
    kit::Rect rect_;
    std::uint32_t displayID_;
    std::uint32_t windowNumber_;
    std::shared_ptr<const FrozenScreen> frozen_;
};

class SelectionOverlayController : public QObject {
    Q_OBJECT

public:
    explicit SelectionOverlayController(QObject* parent = nullptr) : QObject(parent) {}

    // Ends in one `finished`; a selection still running is replaced and never finishes.
    virtual void begin(SelectionMode mode, bool allowsWindowMode, SelectionPurpose purpose) = 0;

signals:
    // What the user chose; once per selection, on the main thread.
    void finished(const SelectionResult& result);
    // A sentence for the user while the overlay runs (window picking that has nothing to pick).
    void notice(const std::string& text);
    // The screen couldn't be read as the selection began (no portal, or the user refused): the
    // selection finishes cancelled right after this.
    void failed(const std::exception_ptr& failure);
};
