// The welcome and settings windows of the running program, driven with real input on the shared
// X server: when they open, what the settings window stores, and the desktop's collisions.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include "ProcessHarness.h"
#include "XServer.h"
#include "app/base/SettingsStore.h"
#include "kit/HotKeyBindings.h"
#include "tests/app/TestSupport.h"

extern XServer* sharedXServer;

namespace {

void xdotool(const QStringList& args) { sharedXServer->run("xdotool", args); }

void pause(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The id of the window with exactly this title, or "" when none appears in time.
QString findWindow(const QString& title, int ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    do {
        const QStringList ids =
            sharedXServer->output("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"}).split('\n', Qt::SkipEmptyParts);
        if (!ids.isEmpty()) return ids.first().trimmed();
        pause(100);
    } while (timer.elapsed() < ms);
    return {};
}

void activate(const QString& id) {
    xdotool({"windowactivate", "--sync", id});
    pause(300);
}

QImage grab(const QString& id) {
    QProcess import;
    import.setProcessEnvironment(sharedXServer->environment());
    import.start("import", {"-window", id, "png:-"});
    import.waitForFinished(15000);
    return QImage::fromData(import.readAllStandardOutput(), "PNG");
}

// The orange of the warning under the shortcuts.
bool showsOrange(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 220 && c.green() > 110 && c.green() < 180 && c.blue() < 70) ++count;
        }
    }
    return count > 20;
}

std::filesystem::path settingsFile(const GlimpoProcessHome& home) {
    return (home.path("config") + "/org.glimpo.Glimpo/settings.json").toStdString();
}

// Glimpo is already running: launching it again opens its settings.
QString openSettings(const GlimpoProcessHome& home, const QProcessEnvironment& environment) {
    GlimpoProcess again(home);
    again.process().setProcessEnvironment(environment);
    again.start();
    again.process().waitForFinished(10000);
    return findWindow("Glimpo Settings");
}

} // namespace

TEST(SetupWindows, WelcomeOnFirstLaunchOnlyAndSettingsOnReopen) {
    XServer::require("xdotool");
    GlimpoProcessHome home;
    {
        GlimpoProcess first(home);
        first.start();
        ASSERT_TRUE(first.waitForLog("launched")) << first.log().toStdString();
        const QString welcome = findWindow("Welcome to Glimpo");
        ASSERT_FALSE(welcome.isEmpty()) << first.log().toStdString();
        // Return is the Done button.
        activate(welcome);
        xdotool({"key", "Return"});
        pause(500);
        EXPECT_TRUE(findWindow("Welcome to Glimpo", 1000).isEmpty());
    }

    GlimpoProcess later(home);
    later.start();
    ASSERT_TRUE(later.waitForLog("launched")) << later.log().toStdString();
    pause(1000);
    EXPECT_TRUE(findWindow("Welcome to Glimpo", 500).isEmpty()) << later.log().toStdString();

    EXPECT_FALSE(openSettings(home, home.environment()).isEmpty()) << later.log().toStdString();
}

TEST(SetupWindows, SettingsEditsAreStoredAndSurviveARestart) {
    XServer::require("xdotool");
    GlimpoProcessHome home;
    const QString shots = home.path("home") + "/Shots";
    ASSERT_TRUE(QDir().mkpath(shots));
    const QString autostartEntry = home.path("config") + "/autostart/org.glimpo.Glimpo.desktop";
    {
        GlimpoProcess glimpo(home);
        glimpo.start();
        ASSERT_TRUE(glimpo.waitForLog("launched")) << glimpo.log().toStdString();
        const QString settings = openSettings(home, home.environment());
        ASSERT_FALSE(settings.isEmpty()) << glimpo.log().toStdString();
        activate(settings);

        // Keyboard only, in the window's focus order: Choose…, seconds, sounds, login, the area shortcut.
        xdotool({"key", "space"});
        pause(1000);
        xdotool({"key", "ctrl+a"});
        xdotool({"type", "--delay", "20", shots});
        xdotool({"key", "Return"});
        pause(800);
        activate(settings);
        xdotool({"key", "Tab", "Up", "Tab", "space", "Tab", "space"});
        pause(500);
        EXPECT_TRUE(QFile::exists(autostartEntry));
        QFile entry(autostartEntry);
        ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
        EXPECT_TRUE(entry.readAll().contains("\nExec=" + QByteArray(GLIMPO_BINARY) + "\n"));
        xdotool({"key", "space"});
        pause(500);
        EXPECT_FALSE(QFile::exists(autostartEntry));
        xdotool({"key", "Tab", "space"});
        pause(300);
        xdotool({"key", "shift+super+a"});
        pause(800);
    }

    const auto check = [&] {
        SettingsStore stored(settingsFile(home));
        EXPECT_EQ(stored.stringValue("saveFolderPath"), shots.toStdString());
        EXPECT_DOUBLE_EQ(stored.doubleValue("thumbnailSeconds"), 7.0);
        EXPECT_FALSE(stored.boolValue("playsShutterSound"));
        const auto overrides = kit::HotKeyBindings::decode(stored.stringValue("hotKeyOverrides").value_or("{}"));
        ASSERT_TRUE(overrides.contains(kit::CaptureAction::area));
        ASSERT_TRUE(overrides.at(kit::CaptureAction::area).has_value());
        EXPECT_EQ(overrides.at(kit::CaptureAction::area)->displayString(), "⇧⌘A");
    };
    check();

    // The next run keeps every edit and uses the recorded shortcut.
    GlimpoProcess again(home);
    again.start();
    ASSERT_TRUE(again.waitForLog("launched")) << again.log().toStdString();
    check();
    xdotool({"key", "shift+super+a"});
    EXPECT_TRUE(again.waitForLog("action=area")) << again.log().toStdString();
}

TEST(SetupWindows, GnomeCollisionLeavesStepTwoUndoneAndWarnsUntilItIsGone) {
    for (const char* tool : {"xdotool", "gsettings", "glib-compile-schemas", "import"}) XServer::require(tool);
    GlimpoProcessHome home;
    // A private GNOME: its shortcut schema and a keyfile settings backend in the process's home.
    const QString schemas = home.path("schemas");
    QDir().mkpath(schemas);
    QFile schema(schemas + "/org.gnome.shell.keybindings.gschema.xml");
    ASSERT_TRUE(schema.open(QIODevice::WriteOnly));
    schema.write(R"(<schemalist>
  <schema id="org.gnome.shell.keybindings" path="/org/gnome/shell/keybindings/">
    <key name="show-screenshot-ui" type="as"><default>['Print']</default></key>
    <key name="screenshot" type="as"><default>['&lt;Shift&gt;Print']</default></key>
    <key name="screenshot-window" type="as"><default>['&lt;Alt&gt;Print']</default></key>
  </schema>
</schemalist>
)");
    schema.close();
    sharedXServer->run("glib-compile-schemas", {schemas});
    QProcessEnvironment environment = home.environment();
    environment.insert("GSETTINGS_BACKEND", "keyfile");
    environment.insert("GSETTINGS_SCHEMA_DIR", schemas);
    environment.insert("XDG_DATA_DIRS", home.path("data"));
    environment.insert("XDG_CURRENT_DESKTOP", "GNOME");
    const auto gsettingsSet = [&](const QString& value) {
        QProcess set;
        set.setProcessEnvironment(environment);
        set.start("gsettings", {"set", "org.gnome.shell.keybindings", "screenshot", value});
        ASSERT_TRUE(set.waitForFinished(10000));
        ASSERT_EQ(set.exitCode(), 0) << set.readAllStandardError().toStdString();
    };
    gsettingsSet("['<Shift><Super>3']");

    GlimpoProcess glimpo(home);
    glimpo.process().setProcessEnvironment(environment);
    glimpo.start();
    ASSERT_TRUE(glimpo.waitForLog("setup refreshed screen=true conflicts=1")) << glimpo.log().toStdString();
    ASSERT_FALSE(findWindow("Welcome to Glimpo").isEmpty());

    const QString settings = openSettings(home, environment);
    ASSERT_FALSE(settings.isEmpty()) << glimpo.log().toStdString();
    pause(500);
    EXPECT_TRUE(showsOrange(grab(settings)));

    // The user frees the key in GNOME and comes back: the refresh on activation clears it.
    gsettingsSet("@as []");
    QWidget elsewhere;
    elsewhere.setWindowTitle("elsewhere");
    elsewhere.resize(200, 100);
    elsewhere.show();
    pause(300);
    activate(QString::number(elsewhere.winId()));
    activate(settings);
    EXPECT_TRUE(glimpo.waitForLog("setup refreshed screen=true conflicts=0")) << glimpo.log().toStdString();
    pause(500);
    EXPECT_FALSE(showsOrange(grab(settings)));
}

TEST(SetupWindows, TheRecorderGetsACombinationGlimpoHoldsAndTheKeyWorksAgainAfterwards) {
    XServer::require("xdotool");
    GlimpoProcessHome home;
    {
        SettingsStore store(settingsFile(home));
        store.setBool("welcomeShown", true);
    }
    GlimpoProcess glimpo(home);
    glimpo.start();
    ASSERT_TRUE(glimpo.waitForLog("shortcuts registered count=3 failed=0")) << glimpo.log().toStdString();
    const QString settings = openSettings(home, home.environment());
    ASSERT_FALSE(settings.isEmpty()) << glimpo.log().toStdString();
    activate(settings);

    // Choose…, seconds, sounds, login, the area shortcut and its remove button: then full screen's.
    xdotool({"key", "Tab", "Tab", "Tab", "Tab", "Tab", "Tab", "space"});
    ASSERT_TRUE(glimpo.waitForLog("shortcuts registered count=0 failed=0")) << glimpo.log().toStdString();
    xdotool({"key", "shift+super+3"});
    // Listening ends with the press, and the keys come back.
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return glimpo.log().count("shortcuts registered count=3 failed=0") == 2; }, 5000))
        << glimpo.log().toStdString();
    const auto overrides =
        kit::HotKeyBindings::decode(SettingsStore(settingsFile(home)).stringValue("hotKeyOverrides").value_or("{}"));
    ASSERT_TRUE(overrides.contains(kit::CaptureAction::fullscreen)) << glimpo.log().toStdString();
    EXPECT_EQ(overrides.at(kit::CaptureAction::fullscreen)->displayString(), "⇧⌘3");
    EXPECT_FALSE(glimpo.log().contains("action=fullscreen")) << glimpo.log().toStdString();

    xdotool({"key", "shift+super+3"});
    ASSERT_TRUE(glimpo.waitForLog("stored capture file=")) << glimpo.log().toStdString();
    // With sounds on and perhaps no sound device: never the sound library's complaints.
    EXPECT_FALSE(glimpo.log().contains("ALSA lib")) << glimpo.log().toStdString();
}
