#include <gtest/gtest.h>

#include "app/core/SingleInstance.h"
#include "app/base/Log.h"
#include "tests/app/TestSupport.h"

#include <QDir>
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
#include <sys/stat.h>
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

// A secondary's blocking notify runs off the GUI thread, so the primary can answer meanwhile.
bool notifyWhileServing(const SingleInstance& secondary, int timeoutMs = 2000) {
    auto delivered = std::async(std::launch::async,
                                [&secondary, timeoutMs] { return secondary.notifyPrimary(QStringLiteral("reopen"), timeoutMs); });
    testsupport::waitUntil(
        [&] { return delivered.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        timeoutMs + 2000);
    return delivered.get();
}

// What a crashed primary leaves behind: a socket file nobody listens on.
void leaveStaleSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    ASSERT_LT(static_cast<std::size_t>(bytes.size()), sizeof(address.sun_path));
    std::copy(bytes.begin(), bytes.end(), address.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
}

} // namespace

TEST_F(SingleInstanceTest, SecondLaunchReachesTheFirstWhichReopensEvenOverACrashedRunsLeftovers) {
    SingleInstance probe(name);
    leaveStaleSocket(probe.socketPath());
    QFile lock(probe.lockPath());
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly)); // a lock file whose holder is gone
    lock.close();

    SingleInstance first(name);
    ASSERT_TRUE(first.tryBecomePrimary());
    EXPECT_TRUE(first.socketPath().startsWith(QString::fromStdString(runtime.path().string())));
    int reopened = 0;
    QObject::connect(&first, &SingleInstance::requested, [&reopened](const QString&) { ++reopened; });

    SingleInstance second(name);
    EXPECT_FALSE(second.tryBecomePrimary());
    EXPECT_FALSE(second.isPrimary());
    EXPECT_TRUE(notifyWhileServing(second));
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
            if (instance.tryBecomePrimary()) {
                ++primaries;
            }
            // Everyone stays alive until all have tried.
            tried.arrive_and_wait();
        }));
        threads.back()->start();
    }
    for (auto& thread : threads) {
        thread->wait();
    }
    EXPECT_EQ(primaries.load(), 1);
}

TEST_F(SingleInstanceTest, ForeignRequestsDoNotReopen) {
    SingleInstance first(name);
    ASSERT_TRUE(first.tryBecomePrimary());
    int reopened = 0;
    QObject::connect(&first, &SingleInstance::requested, [&reopened](const QString&) { ++reopened; });

    for (const QByteArray& junk : {QByteArray(4096, 'x')}) {
        QLocalSocket client;
        client.connectToServer(first.socketPath());
        ASSERT_TRUE(client.waitForConnected(1000));
        client.write(junk);
        client.flush();
        EXPECT_TRUE(testsupport::waitUntil(
            [&] { return client.state() == QLocalSocket::UnconnectedState; }, 2000))
            << "the primary hangs up on what it doesn't understand";
    }
    EXPECT_EQ(reopened, 0);
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

    auto folderOf = [](const SingleInstance& instance) {
        return fs::path(QFile::encodeName(instance.lockPath()).toStdString()).parent_path();
    };
    auto isPrivate = [](const fs::path& folder) {
        struct stat info {};
        return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
               (info.st_mode & 0777) == 0700;
    };
    {
        SingleInstance first(name);
        SingleInstance second(name);
        EXPECT_EQ(folderOf(first), predictable);
        EXPECT_TRUE(isPrivate(folderOf(first)));
        EXPECT_TRUE(first.tryBecomePrimary());
        EXPECT_FALSE(second.tryBecomePrimary());
    }
    fs::remove_all(predictable);

    // Planted by someone else first: a link, then a folder of another user.
    fs::create_directory(shared / "elsewhere");
    fs::create_directory_symlink(shared / "elsewhere", predictable);
    for (int planted = 0; planted < 2; ++planted) {
        MemoryLogSink logs;
        SingleInstance first(name);
        SingleInstance second(name);
        EXPECT_TRUE(isPrivate(folderOf(first))) << folderOf(first);
        EXPECT_NE(folderOf(first), predictable);
        EXPECT_TRUE(first.tryBecomePrimary());
        EXPECT_FALSE(second.tryBecomePrimary());
        EXPECT_TRUE(fs::is_empty(shared / "elsewhere"));
        EXPECT_TRUE(logs.contains("app", "instance folder refused path=" + predictable.string() +
                                             (planted == 0 ? " reason=not a folder" : " reason=not owned")));
        fs::remove(predictable);
        fs::create_directory(predictable);
        ASSERT_EQ(::chown(predictable.c_str(), 65534, 65534), 0) << "needs root, as in CI";
    }
}
