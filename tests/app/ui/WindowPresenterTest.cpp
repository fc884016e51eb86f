#include <gtest/gtest.h>

#include "app/ui/WindowPresenter.h"
#include "tests/app/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

// Builds a fixed-size label and counts how often it was asked to.
struct CountingContent {
    int built = 0;
    WindowPresenter::ContentFactory factory() {
        return [this]() -> std::unique_ptr<QWidget> {
            ++built;
            auto label = std::make_unique<QLabel>(QStringLiteral("content"));
            label->setFixedSize(300, 200);
            return label;
        };
    }
};

const QRect area(100, 50, 1000, 800);

} // namespace

TEST(WindowPresenter, ShowingTwiceKeepsOneWindowAndBringsItBack) {
    WindowPresenter presenter([] { return area; });
    CountingContent content;
    presenter.show("settings", "Glimpo Settings", content.factory());
    QPointer<QWidget> first = presenter.window("settings");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->windowTitle(), "Glimpo Settings");
    EXPECT_EQ(first->minimumSize(), first->maximumSize()) << "not resizable";
    // Centred with its frame, which is only known once the window manager has it.
    EXPECT_TRUE(area.contains(first->geometry()));
    EXPECT_LE((first->geometry().center() - area.center()).manhattanLength(), 20);

    presenter.show("welcome", "Welcome to Glimpo", content.factory());
    first->hide();
    presenter.show("settings", "Glimpo Settings", content.factory());
    EXPECT_EQ(content.built, 2) << "the settings content is not rebuilt";
    EXPECT_EQ(presenter.window("settings"), first.data());
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(testsupport::waitUntil([&] { return QApplication::activeWindow() == first; }));
}

TEST(WindowPresenter, ClosedWindowIsForgottenAndBuiltAfresh) {
    WindowPresenter presenter([] { return area; });
    CountingContent content;
    presenter.show("settings", "Glimpo Settings", content.factory());
    QPointer<QWidget> first = presenter.window("settings");

    presenter.close("settings");
    // Forgotten at once, though Qt deletes the window only later.
    EXPECT_FALSE(presenter.isOpen("settings"));
    presenter.show("settings", "Glimpo Settings", content.factory());
    EXPECT_EQ(content.built, 2);
    EXPECT_NE(presenter.window("settings"), first.data());
    testsupport::processEvents();
    EXPECT_TRUE(first.isNull());

    // The window's own close button takes the same road.
    QPointer<QWidget> second = presenter.window("settings");
    second->close();
    EXPECT_FALSE(presenter.isOpen("settings"));
    testsupport::processEvents();
    EXPECT_TRUE(second.isNull());
}

TEST(WindowPresenter, OwnsWhatIsOpenAndRefusesMissingContent) {
    QPointer<QWidget> open;
    {
        WindowPresenter presenter([] { return area; });
        CountingContent content;
        presenter.show("welcome", "Welcome to Glimpo", content.factory());
        open = presenter.window("welcome");
        ASSERT_TRUE(open);

        presenter.show("empty", "Nothing", [] { return std::unique_ptr<QWidget>(); });
        EXPECT_FALSE(presenter.isOpen("empty"));
        presenter.show("none", "Nothing", {});
        EXPECT_FALSE(presenter.isOpen("none"));
    }
    EXPECT_TRUE(open.isNull()) << "the presenter deletes the windows it still has";
}

TEST(WindowPresenter, AWindowStaysInsideTheAreaItOpensInAndFollowsItsContent) {
    // 1440 x 900 pixels at a scale of 2.
    const QRect small(0, 0, 720, 450);
    WindowPresenter presenter([&] { return small; });
    QLabel* body = nullptr;
    presenter.show("settings", "Glimpo Settings", [&] {
        auto content = std::make_unique<QWidget>();
        auto* column = new QVBoxLayout(content.get());
        body = new QLabel(QStringLiteral("content"));
        body->setFixedSize(480, 300);
        column->addWidget(body);
        return content;
    });
    QWidget* window = presenter.window("settings");
    ASSERT_NE(window, nullptr);
    const auto inside = [&] { return small.contains(window->geometry()) && window->minimumSize() == window->maximumSize(); };
    EXPECT_TRUE(inside());
    const int before = window->height();

    body->setFixedHeight(360);
    ASSERT_TRUE(testsupport::waitUntil([&] { return window->height() > before; }));
    EXPECT_TRUE(inside());

    // Taller than the display: the window keeps to it and the content scrolls.
    body->setFixedHeight(900);
    auto* scroll = window->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    ASSERT_TRUE(testsupport::waitUntil([&] { return scroll->verticalScrollBar()->maximum() > 0; }));
    EXPECT_TRUE(inside());
    EXPECT_LE(window->height(), small.height());
    EXPECT_GE(window->width(), 480);
}

