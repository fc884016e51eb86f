// Thumbnails and notices on a real X server: dragging a capture's file into another program, marking
// a capture up in the editor a double-click opens, and notices letting clicks through.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

#include "CaptureTestSupport.h"
#include "ForeignWindows.h"
#include "app/base/AppSettings.h"
#include "app/base/SettingsStore.h"
#include "app/markup/MarkupCanvas.h"
#include "app/markup/MarkupEditors.h"
#include "app/markup/MarkupScene.h"
#include "app/markup/RedactionItem.h"
#include "app/quickaccess/DragSourceView.h"
#include "app/widgets/FloatingPanel.h"
#include "app/quickaccess/QuickAccessController.h"
#include "app/quickaccess/QuickAccessThumbnailView.h"
#include "app/quickaccess/ToastController.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/DiskFileSystem.h"
#include "tests/app/fakes/FakeServices.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* dropTargetVariable = "GLIMPO_TEST_DROP_TARGET";

// The other program: this same binary, stopped before its tests when the variable is set. Its
// window takes dropped files and prints their addresses.
class DropTarget : public QWidget {
public:
    DropTarget() {
        setAcceptDrops(true);
        setWindowTitle("Glimpo test drop target");
    }

protected:
    void paintEvent(QPaintEvent*) override { say("ready"); }
    void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override {
        for (const QUrl& url : event->mimeData()->urls()) say("drop " + url.toEncoded());
        event->setDropAction(Qt::CopyAction);
        event->accept();
        QTimer::singleShot(0, qApp, &QApplication::quit);
    }

private:
    static void say(const QByteArray& line) {
        std::printf("%s\n", line.constData());
        std::fflush(stdout);
    }
};

[[maybe_unused]] const bool dropTargetOnly = [] {
    if (!std::getenv(dropTargetVariable)) return false;
    static int argc = 1;
    static char name[] = "drop-target";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    DropTarget target;
    target.setGeometry(700, 200, 400, 300);
    target.show();
    QTimer::singleShot(60000, &app, &QApplication::quit);
    app.exec();
    std::_Exit(0);
    return true;
}();

using capturetest::waitUntil;

// Moves the pointer through a gesture one xdotool step at a time, each once the last one has
// shown. Its timer keeps running inside a drag's own event loop, where the test's code does not.
class Gesture : public QObject {
public:
    struct Step {
        QStringList xdotool;
        std::function<bool()> shown;
    };
    explicit Gesture(std::vector<Step> steps) : steps_(std::move(steps)) {
        process_.setProcessEnvironment(sharedXServer->environment());
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (process_.state() != QProcess::NotRunning || next_ == steps_.size()) return;
            if (next_ == 0 || steps_[next_ - 1].shown()) process_.start("xdotool", steps_[next_++].xdotool);
        });
        timer_.start(10);
    }
    bool done() const { return next_ == steps_.size() && process_.state() == QProcess::NotRunning && steps_.back().shown(); }
    std::size_t step() const { return next_; }

private:
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QProcess process_;
    QTimer timer_;
};

// The middle of a window as the X server has it, wherever the window manager put it.
QPoint centreOf(const QString& title) {
    const QString info = sharedXServer->output("xwininfo", {"-name", title});
    const auto number = [&info](const QString& label) {
        return info.section(label, 1).section('\n', 0, 0).trimmed().toInt();
    };
    return {number("Absolute upper-left X:") + number("Width:") / 2,
            number("Absolute upper-left Y:") + number("Height:") / 2};
}

class QuickAccessOnX : public ::testing::Test {
protected:
    testsupport::TempDir root;
    AppSettings settings{std::make_unique<SettingsStore>(root / "settings.json")};
    CaptureLibrary library{settings, std::make_unique<DiskFileSystem>(), root / "cache" / "Captures"};
    fakes::Recognizer recognizer;
    MarkupEditors editors{library, settings.defaults(), recognizer};
    std::unique_ptr<QuickAccessController> controller;

    void SetUp() override {
        fs::create_directories(root / "Desktop");
        settings.setSaveFolder(root / "Desktop");
        settings.setThumbnailSeconds(60);
        controller = std::make_unique<QuickAccessController>(
            library, settings,
            QuickAccessController::Platform::standard(std::make_shared<DisplayService>(capturetest::X11Capturer::backend())),
            &editors);
        // Start from monitor A, away from where the thumbnails go. (xdotool's --sync waits for a
        // motion, which never comes when the pointer is already there.)
        capturetest::xdotool({"mousemove", "900", "300"});
        ASSERT_TRUE(waitUntil([] { return QCursor::pos() == QPoint(900, 300); }));
    }

    void TearDown() override {
        controller.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(QuickAccessOnX, DraggingTheThumbnailHandsItsFileToAnotherProgram) {
    QImage image(480, 300, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    const Capture capture = testsupport::await(library.store({image, {480, 300}}));
    controller->show(capture);
    FloatingPanel* panel = controller->thumbnailPanel(capture.id);
    ASSERT_TRUE(waitUntil([&] { return panel->windowHandle() && panel->windowHandle()->isExposed(); }));
    // The panel sits at 10,900 (top-left) on monitor A, 10 from its left and bottom edges; the
    // press lands on the picture, below the buttons.
    const QPoint onPicture(60, 1040);

    QProcess other;
    QProcessEnvironment environment = sharedXServer->environment();
    environment.insert(dropTargetVariable, "1");
    other.setProcessEnvironment(environment);
    other.start(QCoreApplication::applicationFilePath(), {});
    ASSERT_TRUE(other.waitForStarted(5000));
    QByteArray output;
    ASSERT_TRUE(waitUntil([&] {
        output += other.readAllStandardOutput();
        return output.contains("ready");
    }, 15000)) << output.toStdString();
    const QPoint centre = centreOf("Glimpo test drop target");
    const DragSourceView& source = controller->thumbnailView(capture.id)->dragSource();
    // Release only once the other program has accepted the drag over it.
    bool accepted = false;
    QPointer<QDrag> drag;
    const auto n = [](int v) { return QString::number(v); };
    Gesture gesture({
        {{"mousemove", n(onPicture.x()), n(onPicture.y()), "mousedown", "1"},
         [&] { return source.mouseDownPoint().has_value(); }},
        {{"mousemove", n(onPicture.x() + 10), n(onPicture.y())},
         [&] {
             if (!drag && (drag = qApp->findChild<QDrag*>()))
                 QObject::connect(drag, &QDrag::actionChanged, [&](Qt::DropAction action) { accepted = action != Qt::IgnoreAction; });
             return !drag.isNull();
         }},
        {{"mousemove", n(centre.x()), n(centre.y())}, [&] { return accepted; }},
        {{"mouseup", "1"},
         [&] {
             output += other.readAllStandardOutput();
             return output.contains("drop ");
         }},
    });
    ASSERT_TRUE(waitUntil([&] { return gesture.done(); }, 20000))
        << "stuck after step " << gesture.step() << "; the other program said: " << output.toStdString();
    const QByteArray line = output.mid(output.indexOf("drop ") + 5).split('\n').front();
    EXPECT_EQ(QUrl::fromEncoded(line).toLocalFile().toStdString(), capture.fileURL.string());
    EXPECT_TRUE(waitUntil([&] { return controller->thumbnailIDs().empty(); })) << "an accepted drag closes it";
    XServer::stop(other);
}

TEST_F(QuickAccessOnX, ADoubleClickedThumbnailIsMarkedUpAndSavedAsANewFileWithoutWhatWasRedacted) {
    // Noise, so that any pixel left under the redaction would show.
    QImage original(640, 400, QImage::Format_RGB32);
    for (int y = 0; y < original.height(); ++y)
        for (int x = 0; x < original.width(); ++x) original.setPixel(x, y, qRgb((x * 7 + y) % 251, (y * 5) % 241, (x * y) % 239 + 1));
    const CapturedImage captured{original, {640, 400}};
    const Capture capture = testsupport::await(library.store(captured));
    controller->show(capture, std::nullopt, captured);
    FloatingPanel* panel = controller->thumbnailPanel(capture.id);
    ASSERT_TRUE(waitUntil([&] { return panel->windowHandle() && panel->windowHandle()->isExposed(); }));

    capturetest::xdotool({"mousemove", "60", "1040", "click", "--repeat", "2", "--delay", "80", "1"});
    MarkupWindow* window = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<MarkupWindow*>(w); found && found->isActiveWindow()) window = found;
        return window != nullptr;
    })) << "no editor has the keyboard";
    MarkupCanvas& canvas = window->canvas();
    ASSERT_TRUE(waitUntil([&] { return canvas.zoom() == 1; })) << "a picture smaller than the screen shows at its size";
    const auto onScreen = [&](QPointF scene) {
        const QPoint p = canvas.viewport()->mapToGlobal(canvas.mapFromScene(scene));
        return QStringList{QString::number(p.x()), QString::number(p.y())};
    };
    const auto dragOn = [&](QPointF from, QPointF to) {
        capturetest::xdotool(QStringList{"mousemove"} + onScreen(from) + QStringList{"mousedown", "1", "mousemove"} +
                             onScreen((from + to) / 2) + QStringList{"mousemove"} + onScreen(to) +
                             QStringList{"mouseup", "1"});
    };
    capturetest::xdotool({"key", "r"});
    dragOn({100, 80}, {300, 200});
    capturetest::xdotool({"key", "x"});
    dragOn({380, 240}, {520, 330});
    ASSERT_TRUE(waitUntil([&] { return window->scene().marks().size() == 2; }));
    // That nothing beside the marks changes is the scene's to show (MarkupSceneTest).
    QRect redacted;
    for (MarkupItem* mark : window->scene().marks())
        if (auto* redaction = dynamic_cast<RedactionItem*>(mark)) redacted = redaction->pixelArea();
    ASSERT_GT(redacted.width() * redacted.height(), 100 * 60) << "the drag drew no redaction of its size";

    capturetest::xdotool({"key", "ctrl+s"});
    ASSERT_TRUE(waitUntil([&] { return controller->thumbnailModel(capture.id)->capture().isSaved; })) << "the thumbnail shows the saved picture";
    const fs::path saved = controller->thumbnailModel(capture.id)->capture().fileURL;
    EXPECT_EQ(saved.parent_path(), root / "Desktop");
    EXPECT_TRUE(fs::exists(capture.fileURL)) << "the original is untouched";
    const QImage result = QImage(QString::fromStdString(saved.string())).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(result.size(), original.size());
    long long survivors = 0;
    for (int y = redacted.top(); y <= redacted.bottom(); ++y)
        for (int x = redacted.left(); x <= redacted.right(); ++x) survivors += result.pixel(x, y) == original.pixel(x, y);
    EXPECT_EQ(survivors, 0) << "original pixels left under the redaction";
    EXPECT_TRUE(waitUntil([&] { return controller->isDismissPending(capture.id); })) << "the timer runs again";
}

TEST_F(QuickAccessOnX, ANoticeLetsClicksThroughToTheWindowBelow) {
    ForeignWindows below;
    below.open({1920 + 760, 390, 400, 300}, Qt::white, "Below", "BelowApp", ForeignWindows::Type::normal, true);
    capturetest::xdotool({"mousemove", "--sync", "3000", "100"});
    ToastController toast(std::make_shared<DisplayService>(capturetest::X11Capturer::backend()));
    toast.show("Copied text", "doc.on.clipboard", std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return toast.panel()->windowHandle()->isExposed(); }));
    const QRect frame = toast.panel()->targetFrame();
    capturetest::xdotool({"mousemove", "--sync", QString::number(frame.center().x()),
                          QString::number(frame.center().y()), "click", "1"});
    EXPECT_TRUE(waitUntil([&] { return below.presses() > 0; })) << "the click reaches the window under the notice";
}

} // namespace
