// Glimpo's actions added to GNOME's custom shortcuts through the real gsettings, on a keyfile
// settings backend in a folder of the test's own.

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/platform/desktop/GnomeCommandShortcuts.h"

namespace {

namespace gnome = platform::desktop::GnomeCommandShortcuts;

const QString item = QStringLiteral(
    "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:/org/gnome/settings-daemon/plugins/media-keys/"
    "custom-keybindings/");

QString gsettings(const QStringList& arguments) { return testsupport::run("gsettings", arguments).trimmed(); }

TEST(GnomeCommandShortcuts, AddsGlimposActionsBesideTheUsersOwnOnce) {
    if (!gsettings({"list-schemas"}).split('\n').contains("org.gnome.settings-daemon.plugins.media-keys"))
        FAIL() << "GNOME's media-keys schema is missing (scripts/install-deps installs gnome-settings-daemon-common)";
    QTemporaryDir config;
    testsupport::ScopedEnv backend("GSETTINGS_BACKEND", "keyfile");
    testsupport::ScopedEnv home("XDG_CONFIG_HOME", config.path().toStdString());
    const QString list = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");
    gsettings({"set", list, "custom-keybindings",
               "['/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/']"});

    EXPECT_FALSE(gnome::bound());
    gnome::bind("/opt/My Apps/glimpo");
    EXPECT_TRUE(gnome::bound());
    gnome::bind("/opt/My Apps/glimpo");

    EXPECT_EQ(gsettings({"get", list, "custom-keybindings"}),
              "['/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/', "
              "'/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/glimpo-area/', "
              "'/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/glimpo-fullscreen/', "
              "'/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/glimpo-bar/']");
    EXPECT_EQ(gsettings({"get", item + "glimpo-area/", "command"}), "\"'/opt/My Apps/glimpo' --area\"");
    EXPECT_EQ(gsettings({"get", item + "glimpo-area/", "binding"}), "'<Shift><Super>4'");
    EXPECT_EQ(gsettings({"get", item + "glimpo-bar/", "name"}), "'Glimpo: All-in-One'");
}

} // namespace
