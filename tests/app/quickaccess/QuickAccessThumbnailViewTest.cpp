#include <gtest/gtest.h>

#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>

#include <memory>
#include <string>
#include <vector>

#include "app/quickaccess/DragSourceView.h"
#include "app/quickaccess/QuickAccessThumbnailView.h"
#include "tests/app/TestSupport.h"
#include "tests/app/fakes/FakeServices.h"
#include "tests/app/quickaccess/QuickAccessSupport.h"

namespace {

// The buttons' actions are reached through this view by the controller's tests.
TEST(QuickAccessThumbnailView, HoverShowsTheButtonsAndStatusesStayVisibleWithoutIt) {
    const Capture capture{QUuid::createUuid(), "/tmp/Glimpo 2026-03-05 at 09.07.03.png"};
    auto model = std::make_shared<ThumbnailModel>(capture, fakes::image(240, 150).image);
    std::vector<std::string> calls;
    QuickAccessThumbnailView view(model);
    QObject::connect(&view.actions(), &ThumbnailActions::hoverChanged, [&](bool h) {
        // The model already has the new value when the action hears of it.
        calls.push_back(std::string(h ? "hover" : "leave") + (model->isHovering() == h ? "" : " (stale)"));
    });
    view.show();
    const auto overlayShown = [&](bool shown) { return testsupport::waitUntil([&] { return view.isOverlayShown() == shown; }); };
    // Start outside, whatever the platform made of the pointer.
    testsupport::processEvents();
    quickaccess_test::leave(view);
    ASSERT_TRUE(overlayShown(false));
    calls.clear();

    quickaccess_test::enter(view);
    ASSERT_TRUE(overlayShown(true));
    EXPECT_TRUE(view.firstButton().isVisible());
    quickaccess_test::leave(view);
    ASSERT_TRUE(overlayShown(false));
    EXPECT_FALSE(view.firstButton().isVisible());
    EXPECT_EQ(calls, (std::vector<std::string>{"hover", "leave"}));

    model->setStatus(ThumbnailModel::Status::copied());
    EXPECT_TRUE(overlayShown(true));
}

TEST(DragSourceView, AMoveOfThreePointsIsNoDragButAnyMoreStartsOneThatNoWidgetOfGlimpoTakes) {
    std::vector<bool> ended;
    DragSourceView source("/tmp/a b.png", fakes::image(240, 150).image);
    QObject::connect(&source, &DragSourceView::dragEnded, [&](bool ok) { ended.push_back(ok); });
    source.resize(240, 150);
    source.show();
    class Target : public QWidget {
    public:
        Target() { setAcceptDrops(true); }

    protected:
        void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
    } target;
    int sessions = 0;
    bool acceptedInside = true;
    source.setDragRunner([&](QDrag& drag) {
        ++sessions;
        EXPECT_EQ(drag.mimeData()->urls(), QList<QUrl>{QUrl::fromLocalFile("/tmp/a b.png")});
        QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, drag.mimeData(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&target, &enter);
        acceptedInside = enter.isAccepted() && enter.dropAction() != Qt::IgnoreAction;
        return Qt::IgnoreAction;
    });

    quickaccess_test::press(source, {50, 50});
    quickaccess_test::moveTo(source, {53, 50});
    EXPECT_EQ(sessions, 0);
    quickaccess_test::moveTo(source, {53.1, 50});
    EXPECT_EQ(sessions, 1);
    EXPECT_FALSE(acceptedInside);
    EXPECT_EQ(ended, std::vector<bool>{false});
    // Until the next press, further moves start nothing.
    quickaccess_test::moveTo(source, {90, 90});
    EXPECT_EQ(sessions, 1);
}

} // namespace
