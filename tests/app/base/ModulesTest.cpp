#include "app/base/Modules.h"

#include <gtest/gtest.h>

#include <QFile>

#include "app/base/Log.h"
#include "kit/Error.h"

namespace {

std::string refusal(const char* name) {
    try {
        Modules::load(name, "org.glimpo.Glimpo.TestModule/1");
    } catch (const kit::Error& e) {
        return e.description();
    }
    return "loaded";
}

// The module of another version is never loaded: none of its code may run against this program.
TEST(ModulesTest, AMissingModuleOrOneOfAnotherVersionIsRefusedWithASentenceAndTheCauseLogged) {
    MemoryLogSink log;
    EXPECT_EQ(refusal("other-version"),
              "A part of Glimpo is from another version (libglimpo-other-version.so). Reinstall Glimpo.");
    EXPECT_TRUE(log.contains("app", "module refused name=other-version version=org.glimpo.Glimpo.TestModule/2 "
                                    "expected=org.glimpo.Glimpo.TestModule/1"));
    QFile maps("/proc/self/maps");
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_FALSE(maps.readAll().contains("libglimpo-other-version.so"));

    EXPECT_EQ(refusal("absent"), "A part of Glimpo is missing (libglimpo-absent.so). Reinstall Glimpo.");
    EXPECT_TRUE(log.contains("app", "module not loaded name=absent reason=not found"));
}

} // namespace
