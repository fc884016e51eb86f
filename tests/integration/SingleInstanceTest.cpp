#include <gtest/gtest.h>

#include "ProcessHarness.h"

TEST(SingleInstance, SecondLaunchReopensTheRunningOneAndExitsZero) {
    GlimpoProcessHome home;
    GlimpoProcess first(home);
    first.start();
    ASSERT_TRUE(first.waitForLog("launched")) << first.log().toStdString();

    GlimpoProcess second(home);
    second.start();
    ASSERT_TRUE(second.process().waitForFinished(10000));
    EXPECT_EQ(second.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process().exitCode(), 0);
    EXPECT_FALSE(second.log().contains("launched"));

    EXPECT_TRUE(first.waitForLog("reopen requested")) << first.log().toStdString();
    EXPECT_EQ(first.process().state(), QProcess::Running);
}
