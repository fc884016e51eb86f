#include "app/shortcuts/ShortcutService.h"

#include "app/base/AppSettings.h"
#include "app/base/GlimpoUIState.h"
#include "app/base/Log.h"
#include "app/shortcuts/HotKeyCapture.h"
#include "app/shortcuts/HotKeyCenter.h"
#include "tests/app/TestSupport.h"
#include "tests/app/shortcuts/FakeHotKeyBackend.h"

#include <gtest/gtest.h>

#include <vector>

using kit::CaptureAction;
using kit::HotKeyCombination;
namespace HotKeyStatus = platform::HotKeyStatus;

namespace {

constexpr std::uint32_t shiftCommand = HotKeyCombination::shift | HotKeyCombination::command;
const std::string alreadyUsed =
    "This shortcut is already used by the desktop or another app. Turn it off there or choose a different one.";

class HotKeyCenterTest : public testing::Test {
protected:
    std::unique_ptr<HotKeyCenter> makeCenter() {
        auto center = std::make_unique<HotKeyCenter>(std::make_unique<fakes::FakeHotKeyBackend>(desk));
        QObject::connect(center.get(), &HotKeyCenter::pressed, [this](CaptureAction action) { pressed.push_back(action); });
        return center;
    }

    std::shared_ptr<fakes::HotKeyDesk> desk = std::make_shared<fakes::HotKeyDesk>();
    std::vector<CaptureAction> pressed;
    MemoryLogSink logs;
};

TEST_F(HotKeyCenterTest, ActionsKeepTheirIdsAndRegisteringAgainReplacesThemButNotTheTransientKey) {
    auto center = makeCenter();
    int escapes = 0;
    QObject::connect(center.get(), &HotKeyCenter::transientPressed, [&] { ++escapes; });
    center->setTransient({53, 0, "\u238B"});
    const auto errors = center->registerBindings({
        {CaptureAction::text, {17, HotKeyCombination::control, "T"}},
        {CaptureAction::area, {21, shiftCommand, "4"}},
    });
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(desk->held.size(), 3u);
    EXPECT_EQ(desk->heldWithId(5)->keyCode, 17u);
    desk->press(5);
    desk->press(1);
    // Unbound action ids and strangers do nothing.
    desk->press(2);
    desk->press(42);
    EXPECT_EQ(pressed, (std::vector<CaptureAction>{CaptureAction::text, CaptureAction::area}));

    center->registerBindings({{CaptureAction::window, {13, shiftCommand, "W"}}});
    ASSERT_EQ(desk->held.size(), 2u);
    EXPECT_TRUE(desk->heldWithId(3));
    desk->press(1);
    desk->press(HotKeyCenter::transientId);
    EXPECT_EQ(pressed.size(), 2u);
    EXPECT_EQ(escapes, 1);
    EXPECT_EQ(desk->handlerInstalls, 1);
}

TEST_F(HotKeyCenterTest, RefusedKeysAndASecondActionOnOneKeyAreReportedAndLeftOut) {
    desk->refusals[{20, shiftCommand}] = HotKeyStatus::alreadyRegistered;
    desk->refusals[{23, shiftCommand}] = -2;
    desk->refusals[{21, shiftCommand}] = HotKeyStatus::unavailable;
    auto center = makeCenter();
    auto bindings = kit::HotKeyBindings::active({});
    bindings[CaptureAction::text] = bindings[CaptureAction::window] = {0, HotKeyCombination::control, "A"};
    const auto errors = center->registerBindings(bindings);
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_EQ(errors.at(CaptureAction::fullscreen).errorDescription(), alreadyUsed);
    EXPECT_EQ(errors.at(CaptureAction::allInOne).errorDescription(), "The desktop refused the shortcut (error -2).");
    EXPECT_EQ(errors.at(CaptureAction::area).errorDescription(),
              "Glimpo can't take keys in this session. Bind the action in the desktop's keyboard settings "
              "(glimpo --help lists the commands).");
    EXPECT_EQ(errors.at(CaptureAction::text).status, HotKeyStatus::alreadyRegistered);
    ASSERT_EQ(desk->held.size(), 1u);
    desk->press(2);
    desk->press(3);
    EXPECT_EQ(pressed, std::vector<CaptureAction>{CaptureAction::window});
}

TEST_F(HotKeyCenterTest, TheTransientKeyIsArmedOnceAndClearedForGood) {
    // Where nothing takes keys, each recording asks again, but the log says so once.
    HotKeyCenter nowhere(std::make_unique<platform::UnavailableHotKeyBackend>());
    nowhere.setTransient({53, 0, "\u238B"});
    nowhere.setTransient({53, 0, "\u238B"});
    EXPECT_EQ(logs.messages("shortcut"), std::vector<std::string>{"transient hot key handler failed status=-9868"});

    auto center = makeCenter();
    center->clearTransient();
    EXPECT_TRUE(desk->held.empty());

    int fired = 0;
    // A press that clears its own key while it is handled.
    QObject::connect(center.get(), &HotKeyCenter::transientPressed, [&] {
        ++fired;
        center->clearTransient();
    });
    center->setTransient({53, 0, "\u238B"});
    center->setTransient({53, 0, "\u238B"});
    EXPECT_EQ(desk->held.size(), 1u);
    desk->press(HotKeyCenter::transientId);
    desk->press(HotKeyCenter::transientId);
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(desk->held.empty());
    EXPECT_FALSE(center->isTransientArmed());
}

class ShortcutServiceTest : public HotKeyCenterTest {
protected:
    void SetUp() override {
        settings = std::make_unique<AppSettings>(std::make_unique<SettingsStore>(dir / "settings.json"));
        service = std::make_unique<ShortcutService>(*settings, std::make_unique<fakes::FakeHotKeyBackend>(desk));
    }

    testsupport::TempDir dir;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<ShortcutService> service;
};

TEST_F(ShortcutServiceTest, EveryChangeOfTheOverridesRegistersAgain) {
    desk->refusals[{20, shiftCommand}] = HotKeyStatus::alreadyRegistered;
    service->start();
    EXPECT_EQ(service->failures().size(), 1u);
    EXPECT_TRUE(logs.contains("shortcut", "shortcuts registered count=2 failed=1"));

    int failureReads = 0;
    QObject watcher;
    observeChanges(&watcher, [&] {
        (void)service->failures();
        ++failureReads;
    });

    // Clearing the refused action: it is neither registered nor failing.
    settings->setHotKeyOverride(CaptureAction::fullscreen, std::nullopt);
    ASSERT_TRUE(testsupport::waitUntil([&] { return logs.contains("shortcut", "shortcuts registered count=2 failed=0"); }));
    EXPECT_TRUE(service->failures().empty());
    EXPECT_FALSE(desk->heldWithId(2));
    EXPECT_TRUE(testsupport::waitUntil([&] { return failureReads == 2; }));

    settings->setHotKeyOverride(CaptureAction::text, HotKeyCombination{17, HotKeyCombination::control, "T"});
    ASSERT_TRUE(testsupport::waitUntil([&] { return logs.contains("shortcut", "shortcuts registered count=3 failed=0"); }));
    EXPECT_TRUE(desk->heldWithId(5));

    // Glimpo's own Capture Area has the key, not the desktop.
    settings->setHotKeyOverride(CaptureAction::window, HotKeyCombination{21, shiftCommand, "4"});
    ASSERT_TRUE(testsupport::waitUntil([&] { return service->failures().size() == 1; }));
    EXPECT_EQ(service->failures().at(CaptureAction::window), "Already used by Capture Area.");
}

TEST_F(ShortcutServiceTest, AKeyTheDesktopHeldIsTriedAgainWhenAsked) {
    desk->refusals[{20, shiftCommand}] = HotKeyStatus::alreadyRegistered;
    desk->refusals[{23, shiftCommand}] = HotKeyStatus::unavailable;
    service->start();
    ASSERT_EQ(service->failures().size(), 2u);
    desk->refusals.erase({20, shiftCommand});
    service->retryHeldKeys();
    EXPECT_EQ(service->failures().size(), 1u);
    EXPECT_TRUE(desk->heldWithId(2));
    // What no one held is not asked for again.
    logs.clear();
    service->retryHeldKeys();
    EXPECT_FALSE(logs.contains("shortcut", "shortcuts registered count=2 failed=1"));
}

TEST_F(ShortcutServiceTest, ARecorderListeningTakesTheGrabsAwayUntilItStopsHoweverItStops) {
    service->start();
    ASSERT_EQ(desk->held.size(), 3u);
    const auto released = [&] { return testsupport::waitUntil([&] { return desk->held.empty(); }); };
    const auto restored = [&] { return testsupport::waitUntil([&] { return desk->held.size() == 3u; }); };

    auto capture = std::make_unique<HotKeyCapture>();
    capture->start();
    EXPECT_TRUE(released());
    // A second recorder taking over keeps them away.
    HotKeyCapture other;
    other.start();
    testsupport::processEvents();
    EXPECT_TRUE(desk->held.empty());
    other.stop();
    EXPECT_TRUE(restored());

    capture->start();
    EXPECT_TRUE(released());
    capture.reset();
    EXPECT_TRUE(restored());
    EXPECT_EQ(service->failures().size(), 0u);
}

TEST_F(ShortcutServiceTest, KeysTheDesktopTurnsDownLaterFailTooAndOnlyChangesAreLogged) {
    service->start();
    EXPECT_TRUE(service->failures().empty());
    const std::vector<std::string> first{"shortcuts registered count=3 failed=0"};
    EXPECT_EQ(logs.messages("shortcut"), first);

    // The desktop's late answer leaves out two keys (and the transient one, which is no action's).
    desk->refusedLater.set({{1, HotKeyStatus::unavailable}, {6, HotKeyStatus::unavailable}, {999, HotKeyStatus::unavailable}});
    ASSERT_TRUE(testsupport::waitUntil([&] { return service->failures().size() == 2; }));
    EXPECT_EQ(service->failures().at(CaptureAction::allInOne), GlobalHotKeyError{HotKeyStatus::unavailable}.errorDescription());
    const std::vector<std::string> refused{"shortcuts registered count=3 failed=0",
                                           "shortcut registration failed action=area status=-9868",
                                           "shortcut registration failed action=allInOne status=-9868",
                                           "shortcuts registered count=1 failed=2"};
    EXPECT_EQ(logs.messages("shortcut"), refused);

    // A window opening and closing registers everything again, with nothing new to say.
    const auto reference = desk->held.begin()->first;
    GlimpoUIState::shared().insert("overlay");
    testsupport::processEvents();
    GlimpoUIState::shared().remove("overlay");
    ASSERT_TRUE(testsupport::waitUntil([&] { return desk->held.begin()->first > reference + 3; }));
    testsupport::processEvents();
    EXPECT_EQ(logs.messages("shortcut"), refused);
    EXPECT_EQ(service->failures().size(), 2u);
}

} // namespace
