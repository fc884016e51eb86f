#include "app/base/Log.h"

#include <gtest/gtest.h>

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

} // namespace
