#include <gtest/gtest.h>

#include "app/ui/WindowPresenter.h"
#include "tests/app/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>

TEST(WindowPresenter, OneWindowPerNameCentredBroughtBackAndForgottenWhenClosed) {
    const QRect area(100, 50, 1000, 800);
    WindowPresenter presenter([&] { return area; });
    int built = 0;
    const auto content = [&]() -> std::unique_ptr<QWidget> {
        ++built;
        auto label = std::make_unique<QLabel>(QStringLiteral("content"));
        label->setFixedSize(300, 200);
        return label;
    };
    presenter.show("settings", "Glimpo Settings", content);
    QPointer<QWidget> first = presenter.window("settings");
    ASSERT_TRUE(first);
    // Centred with its frame, which is only known once the window manager has it.
    EXPECT_LE((first->geometry().center() - area.center()).manhattanLength(), 20);

    first->hide();
    presenter.show("settings", "Glimpo Settings", content);
    EXPECT_EQ(built, 1) << "the content is not rebuilt";
    EXPECT_EQ(presenter.window("settings"), first.data());
    EXPECT_TRUE(testsupport::waitUntil([&] { return QApplication::activeWindow() == first; }));

    // The window's own close button forgets it at once, though Qt deletes it only later.
    first->close();
    EXPECT_FALSE(presenter.isOpen("settings"));
    presenter.show("settings", "Glimpo Settings", content);
    EXPECT_EQ(built, 2);
    testsupport::processEvents();
    EXPECT_TRUE(first.isNull());
}
