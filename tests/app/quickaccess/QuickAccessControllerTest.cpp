#include <gtest/gtest.h>

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QSemaphore>

#include <cmath>

#include "app/base/AppSettings.h"
#include "app/base/Log.h"
#include "app/base/SettingsStore.h"
#include "app/markup/MarkupEditors.h"
#include "app/markup/RedactionItem.h"
#include "app/markup/MarkupScene.h"
#include "app/quickaccess/DragSourceView.h"
#include "app/widgets/FloatingPanel.h"
#include "app/quickaccess/QuickAccessController.h"
#include "app/quickaccess/QuickAccessThumbnailView.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/DiskFileSystem.h"
#include "tests/app/TestSupport.h"
#include "tests/app/fakes/FakeServices.h"
#include "tests/app/quickaccess/QuickAccessSupport.h"
#include "tests/app/shortcuts/FakeHotKeyBackend.h"

namespace fs = std::filesystem;
using testsupport::waitUntil;

namespace {

class QuickAccessControllerTest : public ::testing::Test {
protected:
    testsupport::TempDir temp;
    fs::path saveFolder = temp / "Desktop";
    AppSettings settings{std::make_unique<SettingsStore>(temp / "config" / "settings.json")};
    CaptureLibrary library{settings, std::make_unique<DiskFileSystem>(), temp / "cache" / "Captures"};
    std::vector<fs::path> revealed;
    std::function<std::optional<QImage>(const fs::path&)> firstFrame = [](const fs::path&) { return std::nullopt; };
    std::unique_ptr<QuickAccessController> controller;
    fakes::Displays* displays = nullptr;

    void SetUp() override {
        fs::create_directories(saveFolder);
        settings.setSaveFolder(saveFolder);
        settings.setThumbnailSeconds(0.25);
        auto owned = std::make_shared<fakes::Displays>();
        displays = owned.get();
        auto platform = QuickAccessController::Platform::standard(std::move(owned));
        platform.reveal = [this](const fs::path& file) { revealed.push_back(file); };
        platform.firstFrame = [this](const fs::path& file) { return firstFrame(file); };
        controller = std::make_unique<QuickAccessController>(library, settings, std::move(platform));
    }

    void TearDown() override {
        controller.reset();
        testsupport::processEvents();
    }

    Capture stored() { return testsupport::await(library.store(fakes::image(64, 48))); }

    // A finished recording: already saved, outside the cache.
    Capture recording() {
        testsupport::writeFile(saveFolder / "Glimpo recording.mp4", "movie");
        return {QUuid::createUuid(), saveFolder / "Glimpo recording.mp4", kit::CaptureKind::video, {}, {}, true};
    }

    bool isOpen(const Capture& capture) const { return controller->thumbnailModel(capture.id) != nullptr; }
    // Whether the thumbnail goes within `ms`; false also proves it stayed that long.
    bool closesWithin(const Capture& capture, int ms) {
        return waitUntil([&] { return !isOpen(capture); }, ms);
    }
    QuickAccessThumbnailView& view(const Capture& capture) { return *controller->thumbnailView(capture.id); }
    const ThumbnailModel& model(const Capture& capture) { return *controller->thumbnailModel(capture.id); }
    // Drags through the real view; the session itself is replaced by `session`.
    void drag(const Capture& capture, std::function<Qt::DropAction()> session) {
        DragSourceView& source = view(capture).dragSource();
        source.setDragRunner([session](QDrag&) { return session(); });
        quickaccess_test::press(source, {40, 40});
        quickaccess_test::moveTo(source, {50, 40});
    }
};

TEST_F(QuickAccessControllerTest, AtTheTimeoutUnsavedCapturesAreDiscardedSavedOnesKeptAndHoveredOnesWait) {
    settings.setThumbnailSeconds(0.8);
    const Capture hovered = stored();
    const Capture picture = stored();
    const Capture movie = recording();
    QElapsedTimer sinceShown;
    sinceShown.start();
    for (const Capture& capture : {hovered, picture, movie}) controller->show(capture);
    ASSERT_TRUE(waitUntil([&] { return controller->thumbnailPanel(picture.id)->isVisible(); }));
    EXPECT_TRUE(model(picture).preview().has_value()) << "a picture's thumbnail shows with its picture";
    ASSERT_FALSE(closesWithin(hovered, 300));
    quickaccess_test::enter(view(hovered));
    EXPECT_TRUE(model(hovered).isHovering());
    EXPECT_FALSE(controller->isDismissPending(hovered.id));

    ASSERT_TRUE(waitUntil([&] { return controller->thumbnailIDs().size() == 1; }));
    EXPECT_GE(sinceShown.elapsed(), 780) << "gone before its time";
    EXPECT_FALSE(fs::exists(picture.fileURL.parent_path()));
    EXPECT_TRUE(fs::exists(movie.fileURL));
    ASSERT_FALSE(closesWithin(hovered, 400));
    quickaccess_test::leave(view(hovered));
    EXPECT_FALSE(model(hovered).isHovering());
    QElapsedTimer sinceLeaving;
    sinceLeaving.start();
    // A full period, not the remainder.
    ASSERT_TRUE(closesWithin(hovered, 3000));
    EXPECT_GE(sinceLeaving.elapsed(), 780);
    EXPECT_FALSE(fs::exists(hovered.fileURL));
}

TEST_F(QuickAccessControllerTest, CloseDiscardsShowInFolderKeepsAndCopyClosesAfterTheConfirmationKeepingTheFile) {
    const Capture discarded = stored();
    const Capture movie = recording();
    const Capture picture = stored();
    for (const Capture& capture : {discarded, movie, picture}) controller->show(capture);

    view(discarded).closeButton().click();
    EXPECT_FALSE(isOpen(discarded));
    EXPECT_FALSE(fs::exists(discarded.fileURL.parent_path()));
    // A saved capture's second button is Show in Folder.
    quickaccess_test::enter(view(movie));
    view(movie).secondButton().click();
    EXPECT_FALSE(isOpen(movie));
    EXPECT_EQ(revealed, std::vector{movie.fileURL});
    EXPECT_TRUE(fs::exists(movie.fileURL));

    quickaccess_test::enter(view(picture));
    view(picture).secondButton().click();
    EXPECT_EQ(model(picture).status(), ThumbnailModel::Status::copied());
    ASSERT_NE(QGuiApplication::clipboard()->mimeData(), nullptr);
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasUrls());
    quickaccess_test::leave(view(picture));
    QElapsedTimer sinceCopy;
    sinceCopy.start();
    ASSERT_TRUE(closesWithin(picture, 2000));
    EXPECT_GE(sinceCopy.elapsed(), 750);
    EXPECT_TRUE(fs::exists(picture.fileURL));
}

TEST_F(QuickAccessControllerTest, AFailedSaveStaysWithItsReasonAndTryAgainThatSucceedsCloses) {
    MemoryLogSink logs;
    const fs::path missing = temp / "Gone";
    settings.setSaveFolder(missing);
    const Capture picture = stored();
    controller->show(picture);
    quickaccess_test::enter(view(picture));
    view(picture).firstButton().click();

    EXPECT_EQ(model(picture).status(), ThumbnailModel::Status::failed("Couldn't save: The save folder doesn't exist."));
    EXPECT_TRUE(logs.contains("library", "save failed reason=The save folder doesn't exist."));
    quickaccess_test::leave(view(picture));
    ASSERT_FALSE(closesWithin(picture, 500)) << "a failed thumbnail never times out";
    EXPECT_TRUE(fs::exists(picture.fileURL));

    ASSERT_TRUE(waitUntil([&] { return view(picture).tryAgainButton().isVisible(); }));
    fs::create_directories(missing);
    view(picture).tryAgainButton().click();
    EXPECT_FALSE(isOpen(picture));
    EXPECT_TRUE(fs::exists(missing / picture.fileURL.filename()));
    EXPECT_FALSE(fs::exists(picture.fileURL.parent_path()));
}

TEST_F(QuickAccessControllerTest, AMovieShowsNoPictureUntilItsFirstFrameArrivesAnUnusableDurationFallsBackAndTheStackKeepsOffARecording) {
    settings.setThumbnailSeconds(std::nan(""));
    QSemaphore release;
    firstFrame = [&release](const fs::path&) -> std::optional<QImage> {
        release.acquire();
        return fakes::image(320, 240).image;
    };
    const Capture movie = recording();
    controller->show(movie);
    EXPECT_FALSE(waitUntil([&] { return model(movie).preview().has_value(); }, 150));
    EXPECT_TRUE(controller->isDismissPending(movie.id)) << "not discarded at once";

    release.release();
    ASSERT_TRUE(waitUntil([&] { return model(movie).preview().has_value(); }));
    EXPECT_EQ(model(movie).preview()->size(), QSize(320, 240));
    ASSERT_TRUE(waitUntil([&] { return view(movie).dragSource().image().has_value(); }));

    // A recording of the lower half of the display moves the stack above it, and its end back.
    const QRect corner = controller->thumbnailPanel(movie.id)->targetFrame();
    displays->setRecordedArea(kit::Rect::make(0, 0, 1920, 540));
    ASSERT_TRUE(waitUntil([&] { return !controller->thumbnailPanel(movie.id)->targetFrame().intersects({0, 540, 1920, 540}); }));
    displays->setRecordedArea(std::nullopt);
    EXPECT_TRUE(waitUntil([&] { return controller->thumbnailPanel(movie.id)->targetFrame() == corner; }));
}

TEST_F(QuickAccessControllerTest, ATimeoutDuringTheDragWaitsForItsEnd) {
    const Capture refused = stored();
    controller->show(refused);

    bool stillThere = false;
    // The drag outlasts the thumbnail's time.
    drag(refused, [&] {
        waitUntil([&] { return !controller->isDismissPending(refused.id); });
        stillThere = isOpen(refused) && fs::exists(refused.fileURL);
        return Qt::IgnoreAction;
    });
    EXPECT_TRUE(stillThere) << "the dragged file must outlive the drag";
    EXPECT_FALSE(isOpen(refused));
    EXPECT_FALSE(fs::exists(refused.fileURL));

    const Capture late = stored();
    controller->show(late);
    drag(late, [&] {
        waitUntil([&] { return !controller->isDismissPending(late.id); });
        return Qt::CopyAction;
    });
    EXPECT_FALSE(isOpen(late));
    EXPECT_TRUE(fs::exists(late.fileURL)) << "the receiver may still read it";
}

TEST_F(QuickAccessControllerTest, EnterOverAPictureOpensTheEditorWhichHoldsTheTimerAndHandsBackTheEditedPicture) {
    auto desk = std::make_shared<fakes::HotKeyDesk>();
    fakes::Recognizer recognizer;
    MarkupEditors editors(library, settings.defaults(), recognizer);
    auto platform = QuickAccessController::Platform::standard(std::make_unique<fakes::Displays>());
    platform.makeKeys = [desk] { return std::make_unique<fakes::FakeHotKeyBackend>(desk); };
    controller = std::make_unique<QuickAccessController>(library, settings, std::move(platform), &editors);
    const CapturedImage picture = fakes::image(64, 48);
    const Capture capture = testsupport::await(library.store(picture));
    controller->show(capture, std::nullopt, picture);
    // The editor and the preview start from the pixels the thumbnail holds, not from the file.
    testsupport::writeFile(capture.fileURL, "no picture");

    // Enter is heard only while the pointer is over the thumbnail: Return and the keypad's.
    quickaccess_test::enter(view(capture));
    ASSERT_EQ(desk->held.size(), 2u);
    desk->press(desk->held.begin()->second.id);
    ASSERT_TRUE(controller->isEditing(capture.id));
    quickaccess_test::leave(view(capture));
    EXPECT_TRUE(desk->held.empty());
    EXPECT_FALSE(closesWithin(capture, 600)) << "no timer while the editor is open";

    MarkupWindow* window = editors.open(capture.fileURL);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->scene().picture().size(), QSize(64, 48));
    EXPECT_TRUE(waitUntil([&] { return model(capture).preview().has_value(); }));
    // A black box over the whole picture, to tell the edited preview from the first.
    const MarkupItem::Style black{Qt::black, 4, true, 20, false};
    window->scene().beginDrawing(std::make_unique<RedactionItem>(MarkupItem::Kind::redact, black, QRectF(0, 0, 64, 48), 1.0));
    window->scene().finishDrawing(true);
    window->copy();
    const Capture edited = model(capture).capture();
    EXPECT_NE(edited.fileURL, capture.fileURL);
    EXPECT_EQ(edited.id, capture.id);
    // Read off the main thread, the old preview shown meanwhile.
    EXPECT_TRUE(waitUntil([&] { return model(capture).preview()->pixel(32, 24) == qRgb(0, 0, 0); }));
    EXPECT_EQ(model(capture).preview()->size(), QSize(64, 48));
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->urls().value(0).toLocalFile().toStdString(), edited.fileURL.string());
    // The editor closed: the timer runs again, and both pictures go with the thumbnail.
    ASSERT_TRUE(closesWithin(capture, 3000));
    EXPECT_FALSE(fs::exists(capture.fileURL));
    EXPECT_FALSE(fs::exists(edited.fileURL));
    controller.reset();
}

} // namespace
