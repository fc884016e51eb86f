#include "app/ui/AllInOneController.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTest>
#include <QWidget>

#include "TestSupport.h"
#include "app/base/AppSettings.h"
#include "app/base/SettingsStore.h"

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

} // namespace
