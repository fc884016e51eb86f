// Screen capture on the shared server: monitor A at root (0, 0), B at (1920, 0), 1920 x 1080 each.

#include <gtest/gtest.h>

#include <QWidget>

#include <algorithm>
#include <tuple>

#include "CaptureTestSupport.h"
#include "ForeignWindows.h"
#include "app/widgets/FloatingPanel.h"

using capturetest::await;
using capturetest::pixelsOtherThan;

namespace {

std::vector<std::uint32_t> only(const std::vector<CapturableWindow>& windows, const std::vector<std::uint32_t>& ids) {
    std::vector<std::uint32_t> result;
    for (const auto& w : windows)
        if (std::find(ids.begin(), ids.end(), w.id) != ids.end()) result.push_back(w.id);
    return result;
}

const CapturableWindow& find(const std::vector<CapturableWindow>& windows, std::uint32_t id) {
    const auto it = std::find_if(windows.begin(), windows.end(), [id](const auto& w) { return w.id == id; });
    if (it == windows.end()) throw std::runtime_error("window not listed");
    return *it;
}

} // namespace

// The windows of other programs, and what a capture of each and of the whole display shows; a
// full-screen capture never shows Glimpo's own windows.
TEST(ScreenCaptureTest, WindowsComeFrontToBackWithTheirDecorationsAndCapturesShowNoneOfGlimpos) {
    ForeignWindows foreign;
    const auto red = foreign.open({100, 100, 400, 300}, Qt::red, "Red \u00e9t\u00e9", "RedApp");
    const auto green = foreign.open({200, 150, 400, 300}, Qt::green, "", "GreenApp");
    const auto blue = foreign.open({2100, 100, 400, 300}, Qt::blue, "Blue", "BlueApp");
    const auto dock = foreign.open({0, 1040, 1920, 40}, Qt::gray, "Panel", "DockApp", ForeignWindows::Type::dock);
    foreign.open({1000, 450, 800, 500}, Qt::yellow, "Yellow", "YellowApp");
    foreign.raise(red);
    QWidget own;
    own.setGeometry(600, 600, 300, 200);
    own.show();
    const auto ownManaged = [&] {
        const auto clients = capturetest::X11Capturer::backend()->clientWindows();
        return std::any_of(clients.begin(), clients.end(), [&](const auto& c) { return c.id == own.winId(); });
    };
    // Managed like any other window, so only Glimpo's own filter can leave it out.
    ASSERT_TRUE(capturetest::waitUntil(ownManaged));

    capturetest::X11Capturer capturer;
    const auto windows = await(capturer.windows());
    EXPECT_EQ(only(windows, {red, green, blue, dock}), (std::vector<std::uint32_t>{red, blue, green}));
    for (const auto& w : windows) EXPECT_NE(w.id, static_cast<std::uint32_t>(own.winId()));

    const CapturableWindow& r = find(windows, red);
    EXPECT_EQ(r.title, "Red \u00e9t\u00e9");
    EXPECT_EQ(r.appName, "RedApp");
    EXPECT_EQ(find(windows, green).title, "");
    // Decorations included: the frame is bigger than the 400 x 300 client and holds it.
    const QRectF frame = capturer.displays().layout().rootFromGlobal(r.frame);
    EXPECT_GT(frame.height(), 300);
    EXPECT_GE(frame.width(), 400);
    EXPECT_TRUE(frame.contains(QPointF(300, 250)));
    // B's window lies right of A in global coordinates too.
    EXPECT_GE(find(windows, blue).frame.minX(), 1920);

    // Its capture: the client area inside the decorations is all blue, the decorations are not.
    const CapturedImage image = await(capturer.captureWindow(blue));
    EXPECT_EQ(image.pointSize, find(windows, blue).frame.size);
    const auto clients = capturetest::X11Capturer::backend()->clientWindows();
    const auto client = std::find_if(clients.begin(), clients.end(), [blue](const auto& c) { return c.id == blue; });
    ASSERT_NE(client, clients.end());
    EXPECT_EQ(pixelsOtherThan(image.image, QRect(client->extents.left, client->extents.top, 400, 300), Qt::blue), 0);
    if (client->extents.top > 0) {
        EXPECT_GT(pixelsOtherThan(image.image, QRect(0, 0, image.image.width(), 1), Qt::blue), 0);
    }

    // Glimpo's panels: a thumbnail's, and a notice's, which clicks go through.
    FloatingPanel thumbnail({});
    FloatingPanel notice({.ignoresMouse = true, .title = QStringLiteral("Notice")});
    for (const auto& [panel, color, frame] : {std::tuple{&thumbnail, Qt::green, QRect(1100, 600, 240, 160)},
                                              std::tuple{&notice, Qt::cyan, QRect(1400, 750, 200, 60)}}) {
        panel->setAutoFillBackground(true);
        panel->setPalette(QPalette(color));
        panel->setGeometry(frame);
        panel->show();
    }
    const auto showing = [&] {
        const auto at = [](QPoint p) { return capturetest::X11Capturer::backend()->grab(QRect(p, QSize(1, 1))).pixel(0, 0); };
        return at({1200, 650}) == QColor(Qt::green).rgb() && at({1500, 780}) == QColor(Qt::cyan).rgb();
    };
    ASSERT_TRUE(capturetest::waitUntil(showing)) << "Glimpo's windows never showed";
    const CapturedImage screen = await(capturer.captureDisplay({10, 10}));
    ASSERT_EQ(screen.image.size(), QSize(1920, 1080));
    EXPECT_EQ(screen.pointSize, (kit::Size{1920, 1080}));
    // Where they are, the window beneath; and they come back.
    EXPECT_EQ(pixelsOtherThan(screen.image, QRect(1100, 600, 240, 160), Qt::yellow), 0);
    EXPECT_EQ(pixelsOtherThan(screen.image, QRect(1400, 750, 200, 60), Qt::yellow), 0);
    EXPECT_TRUE(capturetest::waitUntil(showing));
    // Gone from the screen before the next test looks at it: Qt sends the unmap from its loop.
    own.hide();
    EXPECT_TRUE(capturetest::waitUntil([&] { return !ownManaged(); }));
}
