#include <gtest/gtest.h>

#include <random>
#include <string>

#include <sys/stat.h>

#include "app/storage/DiskFileSystem.h"
#include "kit/SaveOutcome.h"
#include "tests/app/TestSupport.h"
#include "tests/app/storage/KilledChild.h"
#include "tests/app/storage/ScopedMount.h"

namespace fs = std::filesystem;

namespace {

using testsupport::readFile;
using testsupport::writeFile;

std::string randomBytes(std::size_t count) {
    std::mt19937 engine(7);
    std::string bytes(count, '\0');
    for (auto& byte : bytes) byte = static_cast<char>(engine());
    return bytes;
}

// The sentence a save would show for the move's failure, or "" when it succeeds.
std::string moveFailure(const fs::path& from, const fs::path& to) {
    try {
        DiskFileSystem().moveItem(from, to);
        return "";
    } catch (const std::exception& error) {
        return kit::SaveError(error).reason();
    }
}

// "other" is on the same file system as the source, "tmpfs" (1 MiB) on another.
class DiskFileSystemTest : public ::testing::Test {
protected:
    testsupport::TempDir temp;
    fs::path source = temp / "source.png";
    testsupport::ScopedMount mount{temp / "tmpfs", "tmpfs", "tmpfs", "size=1m"};

    void SetUp() override {
        REQUIRE_MOUNTED(mount);
        fs::create_directory(temp / "other");
    }
};

TEST_F(DiskFileSystemTest, MovesWithinAndAcrossFileSystemsWithANewFilesModeButNeverReplaces) {
    for (const fs::path folder : {temp / "other", temp / "tmpfs"}) {
        SCOPED_TRACE(folder);
        const std::string bytes = randomBytes(300 * 1024);
        writeFile(source, bytes);
        fs::permissions(source, fs::perms(0600));
        writeFile(folder / "taken.png", "existing");
        EXPECT_EQ(moveFailure(source, folder / "taken.png"), "The file couldn't be moved.");
        EXPECT_EQ(readFile(folder / "taken.png"), "existing");

        const mode_t previous = ::umask(027);
        EXPECT_EQ(moveFailure(source, folder / "free.png"), "");
        ::umask(previous);
        EXPECT_EQ(readFile(folder / "free.png"), bytes);
        EXPECT_EQ(fs::status(folder / "free.png").permissions(), fs::perms(0640)) << "a new file's mode, not the cache's";
        EXPECT_FALSE(fs::exists(source));
    }
    writeFile(source, "picture");
    EXPECT_EQ(moveFailure(source, temp / "missing" / "a.png"), "The save folder doesn't exist.");
    EXPECT_EQ(moveFailure(temp / "gone.png", temp / "other" / "a.png"), "The file couldn't be moved.");
}

TEST_F(DiskFileSystemTest, AFullDiskOrACopyKilledMidwayLeavesNothingInTheSaveFolderAndKeepsTheSource) {
    const std::string bytes = randomBytes(2 * 1024 * 1024);
    writeFile(source, bytes);
    EXPECT_EQ(moveFailure(source, temp / "tmpfs" / "big.png"), "The disk is full.");
    EXPECT_TRUE(fs::is_empty(temp / "tmpfs"));
    EXPECT_EQ(readFile(source), bytes);

    const std::string smaller = randomBytes(600 * 1024);
    writeFile(source, smaller);
    auto move = [&] { DiskFileSystem().moveItem(source, temp / "tmpfs" / "cut.png"); };
    EXPECT_EQ(testsupport::killedWhileWriting(256 * 1024, move), SIGXFSZ);
    EXPECT_TRUE(fs::is_empty(temp / "tmpfs")) << "no partial file, no temporary";
    EXPECT_EQ(readFile(source), smaller);
}

TEST_F(DiskFileSystemTest, AnythingAtTheLocationExistsDanglingLinksToo) {
    DiskFileSystem disk;
    writeFile(source, "picture");
    fs::create_symlink(temp / "nowhere", temp / "dangling");
    EXPECT_TRUE(disk.fileExists(source));
    EXPECT_TRUE(disk.fileExists(temp / "other"));
    EXPECT_TRUE(disk.fileExists(temp / "dangling"));
    EXPECT_FALSE(disk.fileExists(temp / "free.png"));
    // A path through a file cannot exist; it must not make every numbered name look taken.
    EXPECT_FALSE(disk.fileExists(source / "inside.png"));
}

} // namespace
