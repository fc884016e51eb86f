#include "kit/CaptureVocabulary.h"

#include "kit/Error.h"
#include "kit/Translatable.h"

namespace kit {

namespace {
constexpr std::uint32_t shiftCommand = HotKeyCombination::shift | HotKeyCombination::command;
// What the capture stream reports when the user declined screen capture.
constexpr long long permissionDeclinedCode = -3801;
} // namespace

const std::array<CaptureAction, 7>& CaptureAction::allCases() {
    // The scrolling capture, added later, sits with the other captures of an area.
    static const std::array<CaptureAction, 7> cases{area, fullscreen, window, scroll, recording, text, allInOne};
    return cases;
}

std::optional<CaptureAction> CaptureAction::fromRawValue(std::string_view raw) {
    for (const CaptureAction action : allCases()) {
        if (action.rawValue() == raw) return action;
    }
    return std::nullopt;
}

std::string_view CaptureAction::rawValue() const {
    switch (value_) {
    case area: return "area";
    case fullscreen: return "fullscreen";
    case window: return "window";
    case recording: return "recording";
    case text: return "text";
    case allInOne: return "allInOne";
    case scroll: return "scroll";
    }
    return {};
}

std::string_view CaptureAction::title() const {
    switch (value_) {
    case area: return KIT_TRANSLATABLE("CaptureAction", "Capture Area");
    case fullscreen: return KIT_TRANSLATABLE("CaptureAction", "Capture Fullscreen");
    case window: return KIT_TRANSLATABLE("CaptureAction", "Capture Window");
    case recording: return KIT_TRANSLATABLE("CaptureAction", "Record Screen");
    case text: return KIT_TRANSLATABLE("CaptureAction", "Capture Text");
    case allInOne: return KIT_TRANSLATABLE("CaptureAction", "All-in-One");
    case scroll: return KIT_TRANSLATABLE("CaptureAction", "Capture Scrolling Area");
    }
    return {};
}

std::optional<HotKeyCombination> CaptureAction::defaultHotKey() const {
    // The desktop's own screenshot keys; the conflict rules exist because of this choice.
    switch (value_) {
    case area: return HotKeyCombination{.keyCode = 21, .carbonModifiers = shiftCommand, .keyLabel = "4"};
    case fullscreen: return HotKeyCombination{.keyCode = 20, .carbonModifiers = shiftCommand, .keyLabel = "3"};
    case allInOne: return HotKeyCombination{.keyCode = 23, .carbonModifiers = shiftCommand, .keyLabel = "5"};
    case window:
    case recording:
    case text:
    case scroll: return std::nullopt;
    }
    return std::nullopt;
}

std::string_view CaptureKind::fileExtension() const {
    return value_ == video ? "mp4" : "png";
}

std::string_view CaptureKind::name() const {
    return value_ == video ? "video" : "image";
}

CaptureFailure CaptureFailure::classify(std::string_view domain, long long code) {
    if (domain == ErrorDomain::screenCaptureStream && code == permissionDeclinedCode) return needsScreenPermission;
    return other;
}

CaptureFailure CaptureFailure::classify(const std::exception& error) {
    const ErrorIdentity identity = identify(error);
    return classify(identity.domain, identity.code);
}

CaptureReadiness CaptureReadiness::readiness(bool screenPermission) {
    return screenPermission ? ready : needsScreenPermission;
}

namespace CaptureDismissal {
bool deletesFile(bool whenDiscardingIsSaved) {
    return !whenDiscardingIsSaved;
}
} // namespace CaptureDismissal

std::string_view CaptureSound::systemSoundsFolder() {
    return "/usr/share/sounds/freedesktop/stereo";
}

std::optional<std::string_view> CaptureSound::systemFileName() const {
    if (value_ == screenshot) return "screen-capture.oga";
    return std::nullopt;
}

std::string_view CaptureSound::fallbackName() const {
    return value_ == screenshot ? "camera-shutter" : "complete";
}

namespace EscapeOwnership {
bool shouldGrabEscape(bool isRecording, bool glimpoUIOpen) {
    // While one of our own surfaces is open, Escape belongs to it.
    return isRecording && !glimpoUIOpen;
}
} // namespace EscapeOwnership

} // namespace kit
