// Text capture in the real program on the shared X server: a shortcut, a drag over text that
// another window shows, the recognised text on the clipboard (read back with xclip) and nothing
// left in the cache; and glimpo-recognize printing what the service reads.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>

#include "CaptureTestSupport.h"
#include "ProcessHarness.h"
#include "app/base/SettingsStore.h"
#include "kit/HotKeyBindings.h"
#include "tests/app/TestSupport.h"

namespace {

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

class Picture : public QWidget {
public:
    explicit Picture(QImage image)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint), image_(std::move(image)) {
        setWindowTitle("Text to read");
        setFixedSize(image_.size());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).drawImage(0, 0, image_);
        painted = true;
    }

public:
    bool painted = false;

private:
    QImage image_;
};

// Waits for a log line while this process keeps painting its window.
bool waitForLog(GlimpoProcess& glimpo, const QString& text, int ms = 20000) {
    return testsupport::waitUntil([&] { return glimpo.waitForLog(text, 20); }, ms);
}

TEST(TextCapture, DraggedTextLandsOnTheClipboardAndNothingInTheCache) {
    XServer::require("xdotool");
    XServer::require("xclip");
    GlimpoProcessHome home;
    home.writeQuietSettings();
    {
        SettingsStore store((home.path("config") + "/org.glimpo.Glimpo/settings.json").toStdString());
        store.setString("hotKeyOverrides", kit::HotKeyBindings::encode({{kit::CaptureAction::text,
            kit::HotKeyCombination{19, kit::HotKeyCombination::command | kit::HotKeyCombination::shift, "2"}}}));
    }
    Picture picture(textPicture());
    picture.move(300, 300);
    picture.show();
    ASSERT_TRUE(testsupport::waitUntil([&] {
        return picture.painted &&
               !capturetest::windowNamed("Text to read").isEmpty();
    }));

    GlimpoProcess glimpo(home);
    glimpo.start();
    ASSERT_TRUE(waitForLog(glimpo, "text model ready")) << glimpo.log().toStdString();
    ASSERT_TRUE(waitForLog(glimpo, "launched")) << glimpo.log().toStdString();

    capturetest::xdotool({"mousemove", "280", "280"});
    capturetest::xdotool({"key", "shift+super+2"});
    ASSERT_TRUE(waitForLog(glimpo, "overlay shown")) << glimpo.log().toStdString();
    // Inside the window, around both lines.
    capturetest::xdotool({"mousemove", "305", "305", "mousedown", "1", "mousemove", "600", "350", "mousemove", "815",
                          "385", "mouseup", "1"});
    ASSERT_TRUE(waitForLog(glimpo, "text copied characters=" + QString::number(truth.size())))
        << glimpo.log().toStdString();

    EXPECT_EQ(sharedXServer->output("xclip", {"-o", "-selection", "clipboard"}), truth);
    const QDir cache(home.path("cache") + "/org.glimpo.Glimpo/Captures");
    EXPECT_TRUE(cache.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST(TextCapture, RecognizeCommandPrintsWhatTheServiceReadsAndNamesWhatItCannotRead) {
    QTemporaryDir folder;
    const QString file = folder.filePath("text.png");
    ASSERT_TRUE(textPicture().save(file));
    const QString command = QFileInfo(GLIMPO_BINARY).dir().filePath("glimpo-recognize");

    QProcess several;
    several.start(command, {file, folder.filePath("missing.png")});
    ASSERT_TRUE(several.waitForFinished(30000));
    EXPECT_EQ(several.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(several.readAllStandardOutput()), "==> " + file + " <==\n" + truth + "\n");
    EXPECT_TRUE(QString::fromUtf8(several.readAllStandardError()).startsWith("glimpo-recognize: " + folder.filePath("missing.png") + ": "));
}

} // namespace
