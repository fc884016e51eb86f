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

TEST(SingleInstance, StartsWithoutATrayAndWritesTheSettingsAside) {
    GlimpoProcessHome home;
    // A settings file nobody can read as settings: kept aside, and Glimpo starts on defaults.
    QDir(home.path("config")).mkpath("org.glimpo.Glimpo");
    QFile corrupt(home.path("config") + "/org.glimpo.Glimpo/settings.json");
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    corrupt.write("{ this is not json");
    corrupt.close();

    GlimpoProcess glimpo(home);
    glimpo.start();
    ASSERT_TRUE(glimpo.waitForLog("launched")) << glimpo.log().toStdString();
    EXPECT_TRUE(glimpo.log().contains("settings unreadable")) << glimpo.log().toStdString();
    const QStringList aside = QDir(home.path("config") + "/org.glimpo.Glimpo")
                                  .entryList({"settings.json.unreadable-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    QFile kept(home.path("config") + "/org.glimpo.Glimpo/" + aside.first());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("{ this is not json"));
}
