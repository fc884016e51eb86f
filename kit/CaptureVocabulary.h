#pragma once
// The capture vocabulary every subsystem speaks: actions, kinds, failures, readiness, dismissal,
// sounds and who owns the Escape key. Each is a small value wrapping an enumeration, so the
// enumerators read as written (CaptureAction::area) and the rules sit beside them.

#include <array>
#include <cstddef>
#include <exception>
#include <functional>
#include <optional>
#include <string_view>

#include "kit/HotKeyCombination.h"

namespace kit {

class CaptureAction {
public:
    enum Case { area, fullscreen, window, recording, text, allInOne, scroll };

    constexpr CaptureAction(Case value) : value_(value) {}
    constexpr operator Case() const { return value_; }

    // Every action, in declaration order; menus, settings rows and binding tables follow it.
    static const std::array<CaptureAction, 7>& allCases();
    // Exact, case-sensitive match of a raw value.
    static std::optional<CaptureAction> fromRawValue(std::string_view raw);

    std::string_view rawValue() const;
    std::string_view title() const;
    std::optional<HotKeyCombination> defaultHotKey() const;

private:
    Case value_;
};

class CaptureKind {
public:
    enum Case { image, video };

    constexpr CaptureKind(Case value) : value_(value) {}
    constexpr operator Case() const { return value_; }

    std::string_view fileExtension() const;
    // "image" or "video", as the log lines name the kinds.
    std::string_view name() const;

private:
    Case value_;
};

class CaptureFailure {
public:
    enum Case { needsScreenPermission, other };

    constexpr CaptureFailure(Case value) : value_(value) {}
    constexpr operator Case() const { return value_; }

    static CaptureFailure classify(std::string_view domain, long long code);
    static CaptureFailure classify(const std::exception& error);

private:
    Case value_;
};

class CaptureReadiness {
public:
    enum Case { ready, needsScreenPermission };

    constexpr CaptureReadiness(Case value) : value_(value) {}
    constexpr operator Case() const { return value_; }

    static CaptureReadiness readiness(bool screenPermission);

private:
    Case value_;
};

namespace CaptureDismissal {
// Closing a thumbnail deletes the capture exactly when it was never saved.
bool deletesFile(bool whenDiscardingIsSaved);
} // namespace CaptureDismissal

class CaptureSound {
public:
    enum Case { screenshot, textCopied };

    constexpr CaptureSound(Case value) : value_(value) {}
    constexpr operator Case() const { return value_; }

    static std::string_view systemSoundsFolder();
    // A file inside systemSoundsFolder(), or none.
    std::optional<std::string_view> systemFileName() const;
    // A sound-theme event name, played when the file is absent or there is none.
    std::string_view fallbackName() const;

private:
    Case value_;
};

namespace EscapeOwnership {
bool shouldGrabEscape(bool isRecording, bool glimpoUIOpen);
} // namespace EscapeOwnership

} // namespace kit

template <> struct std::hash<kit::CaptureAction> {
    std::size_t operator()(kit::CaptureAction a) const noexcept { return static_cast<std::size_t>(a); }
};
template <> struct std::hash<kit::CaptureKind> {
    std::size_t operator()(kit::CaptureKind k) const noexcept { return static_cast<std::size_t>(k); }
};
template <> struct std::hash<kit::CaptureSound> {
    std::size_t operator()(kit::CaptureSound s) const noexcept { return static_cast<std::size_t>(s); }
};
