#include "app/setup/LaunchAtLogin.h"

#include "app/platform/desktop/AutostartEntry.h"
#include "kit/Error.h"
#include "tests/app/TestSupport.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
namespace AutostartEntry = platform::desktop::AutostartEntry;

namespace {

using testsupport::readFile;
using testsupport::writeFile;

class LaunchAtLoginTest : public testing::Test {
protected:
    testsupport::TempDir dir;
    fs::path config = dir / "config";
    fs::path entry = config / "autostart" / "org.glimpo.Glimpo.desktop";
    testsupport::ScopedEnv configHome{"XDG_CONFIG_HOME", config.string()};
    testsupport::ScopedEnv configDirs{"XDG_CONFIG_DIRS", (dir / "xdg").string()};
};

} // namespace

TEST_F(LaunchAtLoginTest, OnReplacesTheEntryWholeWithOneStartingThisProgramAndOffRemovesOrHidesIt) {
    const std::string old = "[Desktop Entry]\nExec=old\nX-GNOME-Autostart-enabled=false\n";
    writeFile(entry, old);
    EXPECT_EQ(LaunchAtLogin::status(), LaunchAtLogin::State::off);
    // A second name for the old file keeps seeing the old bytes: the new entry was renamed in.
    fs::create_hard_link(entry, dir / "old-link");

    LaunchAtLogin::setEnabled(true);
    EXPECT_EQ(LaunchAtLogin::status(), LaunchAtLogin::State::on);
    EXPECT_EQ(readFile(dir / "old-link"), old);
    const std::string program = QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
    EXPECT_NE(readFile(entry).find("\nExec=" + program + "\n"), std::string::npos) << readFile(entry);

    LaunchAtLogin::setEnabled(false);
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(LaunchAtLogin::status(), LaunchAtLogin::State::off);
    // Already off is no failure.
    EXPECT_NO_THROW(LaunchAtLogin::setEnabled(false));

    writeFile(dir / "xdg" / "autostart" / "org.glimpo.Glimpo.desktop", "[Desktop Entry]\nExec=glimpo\n");
    EXPECT_EQ(LaunchAtLogin::status(), LaunchAtLogin::State::on);

    // A system-wide entry: removing nothing would report success while Glimpo still starts at login.
    LaunchAtLogin::setEnabled(false);
    EXPECT_EQ(LaunchAtLogin::status(), LaunchAtLogin::State::off);
    EXPECT_NE(readFile(entry).find("Hidden=true"), std::string::npos);

    LaunchAtLogin::setEnabled(true);
    EXPECT_EQ(LaunchAtLogin::status(), LaunchAtLogin::State::on);
}

TEST(LaunchAtLogin, ExecValueQuotesWhatTheLauncherWouldSplitOrExpand) {
    EXPECT_EQ(AutostartEntry::execValue("/usr/bin/glimpo"), "/usr/bin/glimpo");
    EXPECT_EQ(AutostartEntry::execValue("/opt/my apps/glimpo"), "\"/opt/my apps/glimpo\"");
    // '$' is escaped inside the quotes, and that backslash again as a string; '%' is doubled.
    EXPECT_EQ(AutostartEntry::execValue("/opt/100%/$HOME/glimpo"), "\"/opt/100%%/\\\\$HOME/glimpo\"");
    EXPECT_EQ(AutostartEntry::execValue("/opt/50%/glimpo"), "/opt/50%%/glimpo");
    EXPECT_THROW(AutostartEntry::desktopEntry("/opt/\xff/glimpo"), kit::Error);
}

