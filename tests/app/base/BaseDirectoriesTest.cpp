#include "app/base/BaseDirectories.h"

#include "tests/app/TestSupport.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testsupport::ScopedEnv;

namespace {

TEST(BaseDirectories, RelativeValuesAreIgnoredEverywhere) {
    ScopedEnv home("HOME", "/home/ann");
    {
        ScopedEnv config("XDG_CONFIG_HOME", "conf");
        ScopedEnv cache("XDG_CACHE_HOME", "");
        ScopedEnv data("XDG_DATA_HOME", std::nullopt);
        ScopedEnv configDirs("XDG_CONFIG_DIRS", "etc:");
        ScopedEnv dataDirs("XDG_DATA_DIRS", "share:/opt/share::");
        ScopedEnv runtime("XDG_RUNTIME_DIR", "run/user");
        EXPECT_EQ(BaseDirectories::configHome(), "/home/ann/.config");
        EXPECT_EQ(BaseDirectories::cacheHome(), "/home/ann/.cache");
        EXPECT_EQ(BaseDirectories::dataHome(), "/home/ann/.local/share");
        EXPECT_EQ(BaseDirectories::configDirs(), std::vector<fs::path>{"/etc/xdg"});
        EXPECT_EQ(BaseDirectories::dataDirs(), std::vector<fs::path>{"/opt/share"});
        EXPECT_EQ(BaseDirectories::runtimeDir(), std::nullopt);
    }
    ScopedEnv config("XDG_CONFIG_HOME", "/c");
    ScopedEnv dataDirs("XDG_DATA_DIRS", std::nullopt);
    EXPECT_EQ(BaseDirectories::configHome(), "/c");
    EXPECT_EQ(BaseDirectories::dataDirs(), (std::vector<fs::path>{"/usr/local/share", "/usr/share"}));
    ScopedEnv relativeHome("HOME", "ann");
    EXPECT_TRUE(BaseDirectories::home().is_absolute());
}

} // namespace
