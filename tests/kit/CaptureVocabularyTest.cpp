#include "kit/CaptureVocabulary.h"

#include <stdexcept>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "kit/Error.h"

namespace kit {
namespace {

TEST(CaptureAction, RawValuesMatchExactlyAndCaseSensitively) {
    for (const CaptureAction action : CaptureAction::allCases()) {
        EXPECT_EQ(CaptureAction::fromRawValue(action.rawValue()), action);
    }
    EXPECT_EQ(CaptureAction::fromRawValue("allInOne"), CaptureAction::allInOne);
    for (const char* raw : {"Area", "", "allinone", "AllInOne", "area ", "fullScreen"}) {
        EXPECT_EQ(CaptureAction::fromRawValue(raw), std::nullopt) << raw;
    }
}

TEST(CaptureAction, AllCasesKeepDeclarationOrder) {
    const std::vector<CaptureAction> expected{CaptureAction::area,      CaptureAction::fullscreen,
                                              CaptureAction::window,    CaptureAction::recording,
                                              CaptureAction::text,      CaptureAction::allInOne};
    EXPECT_EQ(std::vector<CaptureAction>(CaptureAction::allCases().begin(), CaptureAction::allCases().end()),
              expected);
    EXPECT_EQ(CaptureAction(CaptureAction::recording).title(), "Record Screen");
    EXPECT_EQ(CaptureAction(CaptureAction::allInOne).title(), "All-in-One");
}

TEST(CaptureAction, OnlyThreeActionsHaveDefaultShortcuts) {
    EXPECT_EQ(CaptureAction(CaptureAction::area).defaultHotKey(), (HotKeyCombination{21, 768, "4"}));
    EXPECT_EQ(CaptureAction(CaptureAction::fullscreen).defaultHotKey(), (HotKeyCombination{20, 768, "3"}));
    EXPECT_EQ(CaptureAction(CaptureAction::allInOne).defaultHotKey(), (HotKeyCombination{23, 768, "5"}));
    for (const auto action : {CaptureAction::window, CaptureAction::recording, CaptureAction::text}) {
        EXPECT_FALSE(CaptureAction(action).defaultHotKey().has_value()) << CaptureAction(action).rawValue();
    }
}

TEST(CaptureFailure, OnlyTheDeclinedPermissionPairAsksForPermission) {
    const std::string domain(ErrorDomain::screenCaptureStream);
    EXPECT_EQ(CaptureFailure::classify(Error("Declined.", domain, -3801)), CaptureFailure::needsScreenPermission);
    EXPECT_EQ(CaptureFailure::classify(Error("Other.", domain, -3802)), CaptureFailure::other);
    EXPECT_EQ(CaptureFailure::classify(Error("Other.", "org.example", -3801)), CaptureFailure::other);
    EXPECT_EQ(CaptureFailure::classify(std::runtime_error("plain")), CaptureFailure::other);
    EXPECT_EQ(CaptureFailure::classify(std::system_error(EACCES, std::generic_category())), CaptureFailure::other);
}

TEST(CaptureRules, ReadinessDismissalAndEscape) {
    EXPECT_EQ(CaptureReadiness::readiness(true), CaptureReadiness::ready);
    EXPECT_EQ(CaptureReadiness::readiness(false), CaptureReadiness::needsScreenPermission);
    EXPECT_FALSE(CaptureDismissal::deletesFile(true));
    EXPECT_TRUE(CaptureDismissal::deletesFile(false));
    EXPECT_TRUE(EscapeOwnership::shouldGrabEscape(true, false));
    EXPECT_FALSE(EscapeOwnership::shouldGrabEscape(true, true));
    EXPECT_FALSE(EscapeOwnership::shouldGrabEscape(false, false));
    EXPECT_FALSE(EscapeOwnership::shouldGrabEscape(false, true));
}

TEST(CaptureSoundAndKind, UseTheFreedesktopTheme) {
    EXPECT_EQ(CaptureSound::systemSoundsFolder(), "/usr/share/sounds/freedesktop/stereo");
    EXPECT_EQ(CaptureSound(CaptureSound::screenshot).systemFileName(), "screen-capture.oga");
    EXPECT_EQ(CaptureSound(CaptureSound::screenshot).fallbackName(), "camera-shutter");
    EXPECT_FALSE(CaptureSound(CaptureSound::textCopied).systemFileName().has_value());
    EXPECT_EQ(CaptureSound(CaptureSound::textCopied).fallbackName(), "complete");
    EXPECT_EQ(CaptureKind(CaptureKind::image).fileExtension(), "png");
    EXPECT_EQ(CaptureKind(CaptureKind::video).fileExtension(), "mp4");
}

} // namespace
} // namespace kit
