#include <gtest/gtest.h>

#include <fstream>
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

void writeFile(const fs::path& path, const std::string& bytes, fs::perms mode = fs::perms(0600)) {
    std::ofstream(path, std::ios::binary) << bytes;
    fs::permissions(path, mode);
}

using testsupport::readFile;

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

class DiskFileSystemTest : public ::testing::Test {
protected:
    testsupport::TempDir temp;
    fs::path source = temp / "source.png";
    fs::path other = temp / "other";

    void SetUp() override {
        writeFile(source, "picture");
        fs::create_directory(other);
    }
};

TEST_F(DiskFileSystemTest, MovesWithinOneFileSystemButNeverReplaces) {
    writeFile(other / "taken.png", "existing");
    EXPECT_EQ(moveFailure(source, other / "taken.png"), "The file couldn't be moved.");
    EXPECT_EQ(readFile(other / "taken.png"), "existing");
    EXPECT_EQ(readFile(source), "picture");

    const mode_t previous = ::umask(027);
    EXPECT_EQ(moveFailure(source, other / "free.png"), "");
    ::umask(previous);
    EXPECT_EQ(readFile(other / "free.png"), "picture");
    EXPECT_EQ(fs::status(other / "free.png").permissions(), fs::perms(0640)) << "a new file's mode, not the cache's";
    EXPECT_FALSE(fs::exists(source));
}

TEST_F(DiskFileSystemTest, MissingFolderAndMissingSourceAreToldApart) {
    EXPECT_EQ(moveFailure(source, temp / "missing" / "a.png"), "The save folder doesn't exist.");
    EXPECT_EQ(moveFailure(temp / "gone.png", other / "a.png"), "The file couldn't be moved.");
    EXPECT_TRUE(fs::exists(source));
}

TEST_F(DiskFileSystemTest, MovesAcrossFileSystemsByCopyingWithANewFilesMode) {
    testsupport::ScopedMount mount(temp / "tmpfs", "tmpfs", "tmpfs", 0, "size=1m");
    ASSERT_TRUE(mount.mounted()) << mount.failure();
    const std::string bytes = randomBytes(300 * 1024);
    writeFile(source, bytes);
    writeFile(temp / "tmpfs" / "taken.png", "existing");

    EXPECT_EQ(moveFailure(source, temp / "tmpfs" / "taken.png"), "The file couldn't be moved.");
    EXPECT_EQ(readFile(temp / "tmpfs" / "taken.png"), "existing");
    const mode_t previous = ::umask(022);
    EXPECT_EQ(moveFailure(source, temp / "tmpfs" / "moved.png"), "");
    ::umask(previous);
    EXPECT_EQ(readFile(temp / "tmpfs" / "moved.png"), bytes);
    EXPECT_EQ(fs::status(temp / "tmpfs" / "moved.png").permissions(), fs::perms(0644));
    EXPECT_FALSE(fs::exists(source));
}

TEST_F(DiskFileSystemTest, FullDiskLeavesNoPartialCopyAndKeepsTheSource) {
    testsupport::ScopedMount mount(temp / "tmpfs", "tmpfs", "tmpfs", 0, "size=64k");
    ASSERT_TRUE(mount.mounted()) << mount.failure();
    const std::string bytes = randomBytes(200 * 1024);
    writeFile(source, bytes);

    EXPECT_EQ(moveFailure(source, temp / "tmpfs" / "big.png"), "The disk is full.");
    EXPECT_FALSE(fs::exists(temp / "tmpfs" / "big.png"));
    EXPECT_EQ(readFile(source), bytes);
}

TEST_F(DiskFileSystemTest, ACopyKilledMidwayLeavesNothingInTheSaveFolder) {
    testsupport::ScopedMount mount(temp / "tmpfs", "tmpfs", "tmpfs", 0, "size=2m");
    ASSERT_TRUE(mount.mounted()) << mount.failure();
    const std::string bytes = randomBytes(1024 * 1024);
    writeFile(source, bytes);

    auto move = [&] { DiskFileSystem().moveItem(source, temp / "tmpfs" / "cut.png"); };
    EXPECT_EQ(testsupport::killedWhileWriting(256 * 1024, move), SIGXFSZ);
    EXPECT_TRUE(fs::is_empty(temp / "tmpfs")) << "no partial file, no temporary";
    EXPECT_EQ(readFile(source), bytes);
}

TEST_F(DiskFileSystemTest, AnythingAtTheLocationExistsDanglingLinksToo) {
    DiskFileSystem disk;
    fs::create_symlink(temp / "nowhere", temp / "dangling");
    EXPECT_TRUE(disk.fileExists(source));
    EXPECT_TRUE(disk.fileExists(other));
    EXPECT_TRUE(disk.fileExists(temp / "dangling"));
    EXPECT_FALSE(disk.fileExists(temp / "free.png"));
    // A path through a file cannot exist; it must not make every numbered name look taken.
    EXPECT_FALSE(disk.fileExists(source / "inside.png"));
}

} // namespace
