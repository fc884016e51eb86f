#include <gtest/gtest.h>

#include "app/core/SingleInstance.h"
#include "app/base/Log.h"
#include "tests/app/TestSupport.h"

#include <QFile>
#include <QLocalSocket>
#include <QThread>

#include <atomic>
#include <filesystem>
#include <future>
#include <latch>
#include <memory>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    testsupport::TempDir runtime;
    testsupport::ScopedEnv env{"XDG_RUNTIME_DIR", runtime.path().string()};
    const QString name = QStringLiteral("org.glimpo.Glimpo.test");
};

} // namespace

TEST_F(SingleInstanceTest, SecondLaunchReachesTheFirstEvenOverACrashedRunsLeftoversAndJunkIsRefused) {
    SingleInstance probe(name);
    // What a crashed primary leaves behind: a socket file nobody listens on, and a lock file.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(probe.socketPath());
    ASSERT_LT(static_cast<std::size_t>(path.size()), sizeof(address.sun_path));
    std::copy(path.begin(), path.end(), address.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    QFile lock(probe.lockPath());
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.close();

    SingleInstance first(name);
    ASSERT_TRUE(first.tryBecomePrimary());
    int reopened = 0;
    QObject::connect(&first, &SingleInstance::requested, [&reopened](const QString&) { ++reopened; });

    QLocalSocket junk;
    junk.connectToServer(first.socketPath());
    ASSERT_TRUE(junk.waitForConnected(1000));
    junk.write(QByteArray(20000, 'x'));
    junk.flush();
    EXPECT_TRUE(testsupport::waitUntil([&] { return junk.state() == QLocalSocket::UnconnectedState; }))
        << "the primary hangs up on what it doesn't understand";
    EXPECT_EQ(reopened, 0);

    SingleInstance second(name);
    EXPECT_FALSE(second.tryBecomePrimary());
    // The secondary's blocking notify runs off the GUI thread, so the primary can answer meanwhile.
    auto delivered = std::async(std::launch::async, [&] { return second.notifyPrimary(QStringLiteral("reopen"), 2000); });
    testsupport::waitUntil([&] { return delivered.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 4000);
    EXPECT_TRUE(delivered.get());
    EXPECT_EQ(reopened, 1);
}

TEST_F(SingleInstanceTest, SimultaneousLaunchesEndWithExactlyOnePrimary) {
    constexpr int launches = 8;
    std::latch ready(launches), tried(launches);
    std::atomic<int> primaries = 0;
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < launches; ++i) {
        threads.emplace_back(QThread::create([&] {
            SingleInstance instance(name);
            ready.arrive_and_wait();
            if (instance.tryBecomePrimary()) ++primaries;
            // Everyone stays alive until all have tried.
            tried.arrive_and_wait();
        }));
        threads.back()->start();
    }
    for (auto& thread : threads) thread->wait();
    EXPECT_EQ(primaries.load(), 1);
}

TEST(SingleInstance, WithoutARuntimeFolderTheLockLivesInAPrivateFolderNeverALink) {
    testsupport::TempDir shared;
    fs::permissions(shared.path(), fs::perms(01777));
    testsupport::TempDir cache;
    testsupport::ScopedEnv runtime{"XDG_RUNTIME_DIR", std::nullopt};
    testsupport::ScopedEnv tmp{"TMPDIR", shared.path().string()};
    testsupport::ScopedEnv cacheHome{"XDG_CACHE_HOME", cache.path().string()};
    const QString name = QStringLiteral("org.glimpo.Glimpo.test-fallback");
    const fs::path predictable = shared / ("org.glimpo.Glimpo.test-fallback-" + std::to_string(::geteuid()));
    fs::create_directory(shared / "elsewhere");

    // Nothing there yet; then planted by someone else first: a link, then a folder of another user.
    for (const std::string refused : {"", " reason=not a folder", " reason=not owned"}) {
        if (refused == " reason=not a folder") {
            fs::remove_all(predictable);
            fs::create_directory_symlink(shared / "elsewhere", predictable);
        } else if (!refused.empty()) {
            fs::remove(predictable);
            fs::create_directory(predictable);
            if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant a folder of another user";
            ASSERT_EQ(::chown(predictable.c_str(), 65534, 65534), 0);
        }
        MemoryLogSink logs;
        SingleInstance first(name);
        SingleInstance second(name);
        const fs::path folder = fs::path(QFile::encodeName(first.lockPath()).toStdString()).parent_path();
        EXPECT_TRUE(fs::is_directory(fs::symlink_status(folder)) && testsupport::mode(folder) == 0700) << folder;
        EXPECT_EQ(folder == predictable, refused.empty()) << folder;
        EXPECT_TRUE(first.tryBecomePrimary());
        EXPECT_FALSE(second.tryBecomePrimary());
        EXPECT_TRUE(fs::is_empty(shared / "elsewhere"));
        if (!refused.empty()) EXPECT_TRUE(logs.contains("app", "instance folder refused path=" + predictable.string() + refused));
    }
}
