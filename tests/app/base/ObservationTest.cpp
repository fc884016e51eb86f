#include "app/base/Observation.h"

#include "tests/app/TestSupport.h"

#include <QObject>

#include <gtest/gtest.h>

#include <memory>

namespace {

using testsupport::processEvents;

class ObservationTest : public testing::Test {
protected:
    std::unique_ptr<QObject> context = std::make_unique<QObject>();
};

TEST_F(ObservationTest, RerunsQueuedOncePerBurstAndNotForEqualValues) {
    Observed<int> value(1);
    std::vector<int> seen;
    observeChanges(context.get(), [&] { seen.push_back(value.get()); });
    EXPECT_EQ(seen, std::vector<int>{1});

    EXPECT_TRUE(value.set(2));
    EXPECT_EQ(seen, std::vector<int>{1}) << "the body must not run inside the assignment";
    value.set(3);
    processEvents();
    EXPECT_EQ(seen, (std::vector<int>{1, 3}));

    EXPECT_FALSE(value.set(3));
    value.set(4);
    processEvents();
    EXPECT_EQ(seen, (std::vector<int>{1, 3, 4})) << "each re-run re-arms";
}

TEST_F(ObservationTest, AValueMayDieBeforeItsReadersAndTheContextEndsTheChain) {
    auto value = std::make_unique<Observed<int>>(0);
    Observed<int> other(0);
    int runs = 0;
    observeChanges(context.get(), [&] {
        ++runs;
        if (value) (void)value->get();
        (void)other.get();
    });
    value.reset();
    other.set(1);
    processEvents();
    EXPECT_EQ(runs, 2);

    // Even with a re-run queued.
    other.set(2);
    context.reset();
    processEvents();
    other.set(3);
    processEvents();
    EXPECT_EQ(runs, 2);
}

} // namespace
