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
    processEvents();
    EXPECT_EQ(seen.size(), 2u);

    value.set(4);
    processEvents();
    EXPECT_EQ(seen, (std::vector<int>{1, 3, 4})) << "each re-run re-arms";
}

TEST_F(ObservationTest, OnlyTrackedReadsOfTheLastRunCount) {
    Observed<bool> useFirst(true);
    Observed<int> first(0);
    Observed<int> second(0);
    Observed<int> peeked(0);
    int runs = 0;
    observeChanges(context.get(), [&] {
        ++runs;
        (void)peeked.peek();
        (void)(useFirst.get() ? first.get() : second.get());
    });

    second.set(1);
    peeked.set(1);
    processEvents();
    EXPECT_EQ(runs, 1);

    useFirst.set(false);
    processEvents();
    ASSERT_EQ(runs, 2);
    first.set(1);
    processEvents();
    EXPECT_EQ(runs, 2) << "first was read only in an earlier run";
    second.set(2);
    processEvents();
    EXPECT_EQ(runs, 3);
}

TEST_F(ObservationTest, DestroyingTheContextEndsTheChainEvenWithARerunQueued) {
    Observed<int> value(0);
    int runs = 0;
    observeChanges(context.get(), [&] { runs += 1 + 0 * value.get(); });
    value.set(1);
    context.reset();
    processEvents();
    value.set(2);
    processEvents();
    EXPECT_EQ(runs, 1);
}

TEST_F(ObservationTest, AValueMayDieBeforeItsReaders) {
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
}

TEST_F(ObservationTest, NestedChainsAreIndependentAndEveryReaderReruns) {
    Observed<int> shared(0);
    Observed<int> innerValue(0);
    int outerRuns = 0;
    int innerRuns = 0;
    observeChanges(context.get(), [&] {
        ++outerRuns;
        if (outerRuns == 1) {
            observeChanges(context.get(), [&] { innerRuns += 1 + 0 * innerValue.get() + 0 * shared.get(); });
        }
        // Read after the nested chain started: must still count for this one.
        (void)shared.get();
    });

    innerValue.set(1);
    processEvents();
    EXPECT_EQ(outerRuns, 1);
    EXPECT_EQ(innerRuns, 2);

    shared.set(1);
    processEvents();
    EXPECT_EQ(outerRuns, 2);
    EXPECT_EQ(innerRuns, 3);
}

TEST_F(ObservationTest, ABodysOwnWriteDoesNotLoopButLaterChangesCount) {
    Observed<int> value(0);
    int runs = 0;
    observeChanges(context.get(), [&] {
        ++runs;
        value.set(value.get() + 1);
    });
    processEvents();
    EXPECT_EQ(runs, 1);

    value.set(10);
    processEvents();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(value.peek(), 11);
}

} // namespace
