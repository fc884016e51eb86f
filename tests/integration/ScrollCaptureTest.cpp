// The scrolling capture of the real program on the shared X server: `glimpo --scroll` dragged
// over the test page (scroll-page: a fixed header over a 6,000-pixel page with a scroll bar)
// must give the page pixel for pixel, its header once and no scroll bar, whatever the wheel's
// step and with smooth scrolling.

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>

#include <vector>

#include <gtest/gtest.h>

#include "CaptureTestSupport.h"
#include "ProcessHarness.h"

namespace {

// The test page as another program; it says where its header, view and scroll bar are.
class ScrollPage {
public:
    explicit ScrollPage(const QStringList& args) {
        process_.setProcessEnvironment(sharedXServer->environment());
        process_.start(SCROLL_PAGE_BINARY, args);
    }
    ~ScrollPage() { XServer::stop(process_); }

    // Root pixels; null when the page never said.
    QRect area() {
        QByteArray said;
        capturetest::waitUntil([&] {
            said += process_.readAllStandardOutput();
            return said.contains('\n');
        }, 10000);
        const QList<QByteArray> words = said.trimmed().split(' ');
        if (words.size() != 5 || words[0] != "area") return {};
        return QRect(words[1].toInt(), words[2].toInt(), words[3].toInt(), words[4].toInt());
    }

private:
    QProcess process_;
};

TEST(ScrollCapture, GivesThePagePixelForPixelWithItsHeaderOnceForEveryWheelStep) {
    GlimpoProcessHome home;
    home.writeQuietSettings();
    GlimpoProcess glimpo(home);
    glimpo.start();
    ASSERT_TRUE(glimpo.waitForLog("launched", 20000)) << glimpo.log().toStdString();
    QTemporaryDir folder;

    struct Run {
        int lines;
        bool smooth;
    };
    std::vector<Run> runs{{3, true}};
    for (int lines = 1; lines <= 10; ++lines) runs.push_back({lines, false});
    int captures = 0;
    for (const Run run : runs) {
        SCOPED_TRACE(testing::Message() << "lines=" << run.lines << " smooth=" << run.smooth);
        const QString expectedFile = folder.filePath(QString("expected-%1.png").arg(run.lines));
        QStringList args{"--lines", QString::number(run.lines), "--expected", expectedFile};
        if (run.smooth) args << "--smooth";
        ScrollPage page(args);
        const QRect area = page.area();
        ASSERT_FALSE(area.isNull()) << "the test page did not show";

        ask(home, "--scroll");
        ASSERT_TRUE(capturetest::waitUntil([&] { return glimpo.log().count("overlay shown") == captures + 1; }))
            << glimpo.log().toStdString();
        const auto at = [](int v) { return QString::number(v); };
        capturetest::xdotool({"mousemove", at(area.left()), at(area.top()), "mousedown", "1", "mousemove",
                              at(area.center().x()), at(area.center().y()), "mousemove", at(area.right() + 1),
                              at(area.bottom() + 1), "mouseup", "1"});
        ASSERT_TRUE(capturetest::waitUntil([&] { return glimpo.log().count("stored capture file=") == captures + 1; },
                                           60000))
            << glimpo.log().toStdString();
        ++captures;

        const QString log = glimpo.log();
        const qsizetype line = log.lastIndexOf("stored capture file=");
        const QString name = log.mid(line).section('=', 1).section('\n', 0, 0).trimmed();
        const QImage stitched(home.captures().filter("/" + name).value(0));
        const QImage expected(expectedFile);
        ASSERT_FALSE(stitched.isNull()) << name.toStdString();
        ASSERT_EQ(stitched.size(), expected.size()) << log.toStdString();
        EXPECT_TRUE(stitched.convertToFormat(QImage::Format_RGB32) == expected.convertToFormat(QImage::Format_RGB32))
            << log.toStdString();
    }
}

} // namespace
