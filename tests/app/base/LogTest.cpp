#include "app/base/Log.h"

#include "tests/app/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace {

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
    testsupport::ScopedEnv quiet("GLIMPO_DEBUG", std::nullopt);
    testing::internal::CaptureStderr();
    logger.info("stored capture file={}", "a.png");
    logger.debug("quiet note");
    {
        testsupport::ScopedEnv debug("GLIMPO_DEBUG", "1");
        logger.debug("loud note");
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "glimpo[capture] stored capture file=a.png\nglimpo[capture] loud note\n");
}

} // namespace
