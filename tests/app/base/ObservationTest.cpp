#include "app/base/Observation.h"

#include "tests/app/TestSupport.h"

#include <QObject>

#include <gtest/gtest.h>

#include <memory>

namespace {

using testsupport::processEvents;

TEST(ObservationTest, AValueMayDieBeforeItsReadersAndTheContextEndsTheChain) {
    auto context = std::make_unique<QObject>();
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
