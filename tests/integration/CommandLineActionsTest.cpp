// The real program on the shared X server: command-line actions handed by a second launch to the
// running Glimpo, the text action read through to the clipboard (read back with xclip); and
// glimpo-recognize printing what the recognition service reads.

#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QWindow>

#include <gtest/gtest.h>

#include "CaptureTestSupport.h"
#include "ProcessHarness.h"

namespace {

using capturetest::windowNamed;

const QString truth = "Glimpo reads the text on the screen.\nPerché però? Costa 42,50 euro (IVA inclusa).";

// The truth drawn black on white in 16 pixel DejaVu Sans.
QImage textPicture() {
    QImage image(520, 90, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font("DejaVu Sans");
    font.setPixelSize(16);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QStringList lines = truth.split('\n');
    for (int i = 0; i < lines.size(); ++i) painter.drawText(QPointF(16, 32 + 28 * i), lines[i]);
    return image;
}

TEST(CommandLineActions, EachActionDoesWhatItsShortcutDoesInTheRunningGlimpo) {
    XServer::require("xclip");
    GlimpoProcessHome home;
    home.writeQuietSettings();
    QLabel picture(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    picture.setWindowTitle("Text to read");
    picture.setPixmap(QPixmap::fromImage(textPicture()));
    picture.move(300, 300);
    picture.show();
    ASSERT_TRUE(capturetest::waitUntil([&] { return picture.windowHandle()->isExposed() && !windowNamed("Text to read").isEmpty(); }));

    GlimpoProcess glimpo(home);
    glimpo.start();
    ASSERT_TRUE(glimpo.waitForLog("text model ready", 20000)) << glimpo.log().toStdString();
    ASSERT_TRUE(glimpo.waitForLog("launched")) << glimpo.log().toStdString();

    // A drag inside the other window, around both lines: their text on the clipboard, no file.
    capturetest::xdotool({"mousemove", "280", "280"});
    ask(home, "--text");
    ASSERT_TRUE(glimpo.waitForLog("overlay shown")) << glimpo.log().toStdString();
    capturetest::xdotool({"mousemove", "305", "305", "mousedown", "1", "mousemove", "600", "350", "mousemove", "815",
                          "385", "mouseup", "1"});
    ASSERT_TRUE(glimpo.waitForLog("text copied characters=" + QString::number(truth.size()), 20000))
        << glimpo.log().toStdString();
    EXPECT_EQ(sharedXServer->output("xclip", {"-o", "-selection", "clipboard"}), truth);
    EXPECT_TRUE(QDir(home.path("cache") + "/org.glimpo.Glimpo/Captures").isEmpty());

    // The selecting actions take the keyboard and pointer for their overlay; Escape gives them back.
    const std::pair<const char*, const char*> selecting[] = {
        {"--area", "action=area"}, {"--window", "action=window"}, {"--record", "action=recording"}};
    for (const auto& [option, line] : selecting) {
        ask(home, option);
        ASSERT_TRUE(glimpo.waitForLog(line)) << glimpo.log().toStdString();
        // The pointer may be taken a moment before the keyboard, which Escape needs.
        ASSERT_TRUE(capturetest::waitUntil([] { return !capturetest::keyboardIsFree(); })) << option << " showed no overlay";
        capturetest::xdotool({"key", "Escape"});
        ASSERT_TRUE(capturetest::waitUntil(capturetest::inputIsFree)) << option << "'s overlay stayed";
    }

    ask(home, "--bar");
    ASSERT_TRUE(glimpo.waitForLog("action=allInOne")) << glimpo.log().toStdString();
    EXPECT_TRUE(capturetest::waitUntil([] { return !windowNamed("Glimpo All-in-One").isEmpty(); }));

    ask(home, "--settings");
    EXPECT_TRUE(capturetest::waitUntil([] { return !windowNamed("Glimpo Settings").isEmpty(); }));

    ask(home, "--quit");
    ASSERT_TRUE(glimpo.process().waitForFinished(10000)) << "--quit left Glimpo running";
    EXPECT_EQ(glimpo.process().exitCode(), 0);
    EXPECT_TRUE(glimpo.log().contains("quit requested"));
}

TEST(CommandLineActions, AnActionWithNoGlimpoRunningReturnsAtOnceAndADelayWaitsBeforeTheCapture) {
    GlimpoProcessHome home;
    home.writeQuietSettings();
    // The Glimpo it starts runs on after the command; --quit ends it whatever happens here.
    struct Quit {
        const GlimpoProcessHome& home;
        ~Quit() { ask(home, "--quit"); }
    } quit{home};

    const QDateTime asked = QDateTime::currentDateTime();
    GlimpoProcess launch(home);
    // As from a shell: the Glimpo left running holds none of the command's output.
    QProcessEnvironment environment = home.environment();
    environment.remove("GLIMPO_LOG_STDERR");
    launch.process().setProcessEnvironment(environment);
    launch.process().start(GLIMPO_BINARY, {"--delay", "2", "--fullscreen"});
    ASSERT_TRUE(launch.process().waitForFinished(3000)) << "the command waited for the Glimpo it started";
    EXPECT_EQ(launch.process().exitCode(), 0) << launch.log().toStdString();

    QStringList stored;
    ASSERT_TRUE(capturetest::waitUntil([&] { return !(stored = home.captures()).isEmpty(); }, 20000)) << "no capture stored";
    EXPECT_GE(asked.msecsTo(QFileInfo(stored.front()).lastModified()), 2000);
}

TEST(CommandLineActions, RecognizeCommandPrintsWhatTheServiceReadsAndNamesWhatItCannotRead) {
    QTemporaryDir folder;
    const QString file = folder.filePath("text.png");
    ASSERT_TRUE(textPicture().save(file));
    QProcess several;
    several.start(QFileInfo(GLIMPO_BINARY).dir().filePath("glimpo-recognize"), {file, folder.filePath("missing.png")});
    ASSERT_TRUE(several.waitForFinished(30000));
    EXPECT_EQ(several.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(several.readAllStandardOutput()), "==> " + file + " <==\n" + truth + "\n");
    EXPECT_TRUE(QString::fromUtf8(several.readAllStandardError())
                    .startsWith("glimpo-recognize: " + folder.filePath("missing.png") + ": "));
}

} // namespace
