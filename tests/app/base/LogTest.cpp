#include "app/base/Log.h"

#include "tests/app/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace {

TEST(LogTest, SinksRecordCategoryLevelAndMessageWhileTheyLive) {
    MemoryLogSink outer;
    Logger settings("settings");
    {
        MemoryLogSink inner;
        settings.info("stored value={}", 3);
        Logger("app").notice("capture blocked reason={}", "screenPermission");
        EXPECT_EQ(inner.records().size(), 2u);
    }
    settings.error("could not read shortcuts error={}", "bad");
    settings.debug("note");

    const auto records = outer.records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].category, "settings");
    EXPECT_EQ(records[0].message, "stored value=3");
    EXPECT_EQ(records[0].level, LogLevel::info);
    EXPECT_EQ(records[1].level, LogLevel::notice);
    EXPECT_EQ(records[2].level, LogLevel::error);
    EXPECT_EQ(records[3].level, LogLevel::debug);
    EXPECT_EQ(outer.messages("settings"),
              (std::vector<std::string>{"stored value=3", "could not read shortcuts error=bad", "note"}));
    EXPECT_TRUE(outer.contains("app", "capture blocked reason=screenPermission"));
    EXPECT_FALSE(outer.contains("settings", "capture blocked reason=screenPermission"));
}

TEST(LogTest, LinesFromManyThreadsAreAllKept) {
    MemoryLogSink sink;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            Logger logger("recording");
            for (int i = 0; i < 200; ++i) logger.debug("frame thread={} index={}", t, i);
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(sink.messages("recording").size(), 800u);
}

TEST(LogTest, WithoutJournalLinesGoToStderrAndDebugOnlyWhenAsked) {
    if (std::filesystem::exists("/run/systemd/journal/socket")) {
        GTEST_SKIP() << "a journal answers here, so standard error is not used";
    }
    Logger logger("capture");
    testing::internal::CaptureStderr();
    {
        testsupport::ScopedEnv quiet("GLIMPO_DEBUG", std::nullopt);
        logger.info("stored capture file={}", "a.png");
        logger.debug("quiet note");
    }
    {
        testsupport::ScopedEnv debug("GLIMPO_DEBUG", "1");
        logger.debug("loud note");
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "glimpo[capture] stored capture file=a.png\nglimpo[capture] loud note\n");
}

} // namespace
