// The whole road of an area capture, in the real program: the global shortcut, a drag on the
// overlay, the thumbnail, Save, and the file on the Desktop. (What Save leaves behind in the
// cache and on screen is the library's and the thumbnail controller's tests'.)

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>

#include "CaptureTestSupport.h"
#include "ForeignWindows.h"
#include "ProcessHarness.h"

namespace {

using capturetest::windowNamed;
using capturetest::xdotool;

// X, Y, WIDTH and HEIGHT of a window, as xdotool prints them with --shell.
QRect geometryOf(const QString& window) {
    const QString shell = sharedXServer->output("xdotool", {"getwindowgeometry", "--shell", window});
    auto value = [&](const QString& key) {
        const auto match = QRegularExpression("^" + key + "=(-?\\d+)$", QRegularExpression::MultilineOption).match(shell);
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    };
    return {value("X"), value("Y"), value("WIDTH"), value("HEIGHT")};
}

TEST(EndToEnd, ShortcutDragThumbnailSaveLandsOnTheDesktop) {
    GlimpoProcessHome home;
    QDir(home.path("home")).mkpath("Desktop");
    home.writeQuietSettings();

    GlimpoProcess glimpo(home);
    glimpo.start();
    ASSERT_TRUE(glimpo.waitForLog("shortcuts registered count=3 failed=0")) << glimpo.log().toStdString();
    ASSERT_TRUE(glimpo.waitForLog("launched")) << glimpo.log().toStdString();

    ForeignWindows foreign;
    foreign.open({50, 50, 400, 300}, Qt::red, "Red", "RedApp");
    xdotool({"mousemove", "50", "50"});
    xdotool({"key", "shift+super+4"});
    ASSERT_TRUE(glimpo.waitForLog("overlay shown")) << glimpo.log().toStdString();
    // A 200 x 150 point drag on the first monitor.
    xdotool({"mousemove", "100", "100", "mousedown", "1", "mousemove", "200", "170", "mousemove", "300", "250",
             "mouseup", "1"});
    ASSERT_TRUE(glimpo.waitForLog("stored capture file=Glimpo ")) << glimpo.log().toStdString();

    QString thumbnail;
    ASSERT_TRUE(capturetest::waitUntil([&] { return !(thumbnail = windowNamed("Glimpo Thumbnail")).isEmpty(); }))
        << "no thumbnail on screen";
    const QRect panel = geometryOf(thumbnail);
    // Hover the picture so its buttons show, then press Save, the left of the two round buttons.
    const QPoint centre = panel.center();
    // Inside the Save circle, off its glyph: the red picture until the buttons show, then white.
    const QRect inSaveButton(centre + QPoint(-45, 0), QSize(1, 1));
    const auto screen = capturetest::X11Capturer::backend();
    xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y())});
    ASSERT_TRUE(capturetest::waitUntil([&] { return qGray(screen->grab(inSaveButton).pixel(0, 0)) > 230; }))
        << "the hovered thumbnail showed no buttons";
    xdotool({"mousemove", QString::number(centre.x() - 29), QString::number(centre.y()), "click", "1"});
    ASSERT_TRUE(glimpo.waitForLog("saved file=Glimpo ")) << glimpo.log().toStdString();

    const QStringList saved = QDir(home.path("home") + "/Desktop").entryList(QDir::Files);
    ASSERT_EQ(saved.size(), 1);
    QImage picture(home.path("home") + "/Desktop/" + saved.first());
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(200, 150));
    EXPECT_EQ(capturetest::pixelsOtherThan(picture, picture.rect(), Qt::red), 0);
}

} // namespace
