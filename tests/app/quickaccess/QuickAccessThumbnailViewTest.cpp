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
#include "tests/app/quickaccess/QuickAccessSupport.h"

using testsupport::waitUntil;

namespace {

QImage solid(QColor colour, QSize size = {240, 150}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

class QuickAccessThumbnailViewTest : public ::testing::Test {
protected:
    std::vector<std::string> calls;
    std::shared_ptr<ThumbnailModel> model;
    std::unique_ptr<QuickAccessThumbnailView> view;

    void make(bool isSaved, std::optional<QImage> preview = solid(QColor(200, 200, 200))) {
        Capture capture;
        capture.id = QUuid::createUuid();
        capture.fileURL = "/tmp/Glimpo 2026-03-05 at 09.07.03.png";
        capture.isSaved = isSaved;
        model = std::make_shared<ThumbnailModel>(capture, std::move(preview));
        ThumbnailActions actions;
        actions.save = [this] { calls.push_back("save"); };
        actions.copy = [this] { calls.push_back("copy"); };
        actions.showInFolder = [this] { calls.push_back("showInFolder"); };
        actions.close = [this] { calls.push_back("close"); };
        actions.hoverChanged = [this](bool h) {
            // The model already has the new value when the action hears of it.
            calls.push_back(std::string(h ? "hover" : "leave") + (model->isHovering() == h ? "" : " (stale)"));
        };
        actions.dragEnded = [this](bool ok) { calls.push_back(ok ? "dragAccepted" : "dragRefused"); };
        view = std::make_unique<QuickAccessThumbnailView>(model, actions);
        view->show();
        // Start outside, whatever the platform made of the pointer.
        testsupport::processEvents();
        quickaccess_test::leave(*view);
        ASSERT_TRUE(settled(false));
        calls.clear();
    }

    bool settled(bool overlay) {
        return waitUntil([&] { return view->isOverlayShown() == overlay; });
    }
};

TEST_F(QuickAccessThumbnailViewTest, HoverShowsTheButtonsWhichReachTheActionsAndStatusesStayVisible) {
    make(false);
    quickaccess_test::enter(*view);
    ASSERT_TRUE(settled(true));
    EXPECT_TRUE(view->firstButton().isVisible());

    view->firstButton().click();
    view->secondButton().click();
    view->closeButton().click();
    quickaccess_test::leave(*view);
    ASSERT_TRUE(settled(false));
    EXPECT_FALSE(view->firstButton().isVisible());
    EXPECT_EQ(calls, (std::vector<std::string>{"hover", "save", "copy", "close", "leave"}));

    // Copied and failed stay visible without hover; Try Again saves.
    calls.clear();
    model->setStatus(ThumbnailModel::Status::copied());
    ASSERT_TRUE(settled(true));

    model->setStatus(ThumbnailModel::Status::failed("Couldn't save: The disk is full."));
    ASSERT_TRUE(waitUntil([&] { return view->tryAgainButton().isVisible(); }));
    EXPECT_TRUE(view->isOverlayShown());
    view->tryAgainButton().click();
    EXPECT_EQ(calls, (std::vector<std::string>{"save"}));
}

class DragSourceViewTest : public ::testing::Test {
protected:
    std::vector<bool> ended;
    int sessions = 0;
    QList<QUrl> offered;
    std::unique_ptr<DragSourceView> source;
    Qt::DropAction answer = Qt::CopyAction;
    std::function<void()> duringDrag = [] {};

    void SetUp() override {
        source = std::make_unique<DragSourceView>("/tmp/a b.png", [this](bool ok) { ended.push_back(ok); },
                                                  solid(Qt::red));
        source->resize(240, 150);
        source->show();
        source->setDragRunner([this](QDrag& drag) {
            ++sessions;
            offered = drag.mimeData()->urls();
            EXPECT_TRUE(drag.mimeData()->hasFormat("text/uri-list"));
            duringDrag();
            return answer;
        });
    }
};

TEST_F(DragSourceViewTest, AMoveOfThreePointsIsNoDragButAnyMoreStartsOne) {
    quickaccess_test::press(*source, {50, 50});
    ASSERT_TRUE(source->mouseDownPoint().has_value());
    quickaccess_test::moveTo(*source, {53, 50});
    EXPECT_EQ(sessions, 0);
    quickaccess_test::moveTo(*source, {53.1, 50});
    EXPECT_EQ(sessions, 1);
    EXPECT_FALSE(source->mouseDownPoint().has_value());
    ASSERT_EQ(offered.size(), 1);
    EXPECT_EQ(offered.front().toLocalFile(), "/tmp/a b.png");
    EXPECT_EQ(ended, std::vector<bool>{true});

    // Until the next press, further moves start nothing.
    quickaccess_test::moveTo(*source, {90, 90});
    EXPECT_EQ(sessions, 1);
}

TEST_F(DragSourceViewTest, NoWidgetOfGlimpoTakesTheDropAndTheDragReportsFalse) {
    class Target : public QWidget {
    public:
        Target() { setAcceptDrops(true); }

    protected:
        void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
    } target;

    bool acceptedInside = true;
    duringDrag = [&] {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile("/tmp/a b.png")});
        QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&target, &enter);
        acceptedInside = enter.isAccepted() && enter.dropAction() != Qt::IgnoreAction;
    };
    answer = Qt::IgnoreAction;
    quickaccess_test::press(*source, {50, 50});
    quickaccess_test::moveTo(*source, {60, 50});
    EXPECT_FALSE(acceptedInside);
    EXPECT_EQ(ended, std::vector<bool>{false});
}

} // namespace
