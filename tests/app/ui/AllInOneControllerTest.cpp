#include "app/ui/AllInOneController.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTest>
#include <QWidget>

#include "TestSupport.h"
#include "app/base/AppSettings.h"
#include "app/base/SettingsStore.h"
#include "app/base/Translations.h"
#include "app/ui/AllInOneBarView.h"
#include "app/ui/ModeButton.h"
#include "app/ui/AllInOnePanel.h"

#include <QMenu>

namespace {

// Records the keys that reach it.
class KeyTarget : public QWidget {
public:
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys.push_back(event->key()); }
};

TEST(AllInOneController, EscapeClosesTheBarAndIsSwallowedWhileOtherKeysPass) {
    testsupport::TempDir home;
    AppSettings settings{std::make_unique<SettingsStore>(home / "settings.json")};
    AllInOneController bar(settings, nullptr);
    KeyTarget other;

    bar.toggle();
    QTest::keyPress(&other, Qt::Key_A);
    EXPECT_TRUE(bar.isOpen());
    QTest::keyPress(&other, Qt::Key_Escape);
    EXPECT_FALSE(bar.isOpen());
    // Closed, the bar keeps its hands off Escape.
    QTest::keyPress(&other, Qt::Key_Escape);
    EXPECT_EQ(other.keys, (std::vector<int>{Qt::Key_A, Qt::Key_Escape}));
}

TEST(AllInOneController, TheDelayChosenIsRememberedAndTheBarFitsItsTitle) {
    testsupport::TempDir home;
    AppSettings settings{std::make_unique<SettingsStore>(home / "settings.json")};
    // A title longer than a mode button: "Nessun ritardo".
    const Translations italian(QLocale(QStringLiteral("it_IT")), QStringLiteral(GLIMPO_TRANSLATIONS_DIR));
    italian.install();
    AllInOneController bar(settings, nullptr);
    bar.toggle();
    AllInOneBarView& view = *bar.view();
    EXPECT_EQ(view.delayButton()->text(), "Nessun ritardo");
    const int wide = view.width();

    for (const int seconds : {10, 0}) {
        for (QAction* choice : view.delayMenu()->actions()) {
            if (choice->data().toInt() == seconds) choice->trigger();
        }
        testsupport::processEvents();
        EXPECT_EQ(settings.captureDelaySeconds(), seconds);
        EXPECT_EQ(view.size(), view.sizeHint());
        EXPECT_EQ(bar.panel()->targetFrame().size(), view.sizeHint());
        EXPECT_EQ(view.width() < wide, seconds == 10) << "\"10 s\" is shorter";
    }
    EXPECT_EQ(view.width(), wide);
    EXPECT_EQ(AppSettings(std::make_unique<SettingsStore>(home / "settings.json")).captureDelaySeconds(), 0);
}

} // namespace
