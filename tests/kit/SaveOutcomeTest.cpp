#include "kit/SaveOutcome.h"

#include <cerrno>
#include <set>
#include <stdexcept>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "kit/Error.h"

using kit::SaveError;
using kit::SaveResult;
using Path = std::filesystem::path;

namespace {

class FakeFileSystem : public kit::CaptureFileSystem {
public:
    std::set<Path> files;
    std::vector<std::pair<Path, Path>> moves;
    std::function<void()> failure;

    void moveItem(const Path& from, const Path& to) override {
        moves.emplace_back(from, to);
        if (failure) failure();
        files.erase(from);
        files.insert(to);
    }
    bool fileExists(const Path& path) const override { return files.count(path) > 0; }
};

std::filesystem::filesystem_error fileError(int code) {
    return {"move", std::error_code(code, std::generic_category())};
}

TEST(SaveOutcomeTest, MovesToTheFirstFreeNameOrFailsOnceAsAValue) {
    FakeFileSystem fs;
    fs.files = {"/cache/x/a.png", "/saves/a.png"};
    const SaveResult result = kit::SaveOutcome::save("/cache/x/a.png", "/saves", "a.png", fs);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.value(), Path("/saves/a (2).png"));
    EXPECT_FALSE(fs.fileExists("/cache/x/a.png"));

    // A failed move is one attempt and a value, whatever is thrown.
    fs.moves.clear();
    fs.failure = [] { throw fileError(EROFS); };
    EXPECT_EQ(kit::SaveOutcome::save("/cache/x/a.png", "/saves", "a.png", fs), SaveResult::failure(SaveError::fromErrno(EROFS)));
    EXPECT_EQ(fs.moves.size(), 1u);
    fs.failure = [] { throw 42; };
    EXPECT_EQ(kit::SaveOutcome::save("/t", "/s", "a", fs).error().reason(), SaveError::notMoved);
    fs.failure = [] { throw std::runtime_error("unrelated"); };
    EXPECT_EQ(kit::SaveOutcome::save("/t", "/s", "a", fs).error().reason(), SaveError::notMoved);
}

TEST(SaveOutcomeTest, ErrnoDecidesTheSentence) {
    const std::pair<int, std::string_view> table[] = {
        {ENOENT, "The save folder doesn't exist."},
        {EPERM, "Glimpo can't write to the save folder."},
        {EDQUOT, "The disk is full."},
        {EEXIST, "The file couldn't be moved."},
    };
    for (const auto& [code, sentence] : table) {
        EXPECT_EQ(SaveError(fileError(code)).reason(), sentence) << code;
        EXPECT_EQ(SaveError(std::system_error(code, std::system_category())).reason(), sentence);
    }
    // An errno-sized code of another domain is not an errno.
    EXPECT_EQ(SaveError(kit::Error("x", "elsewhere", ENOSPC)).reason(), SaveError::notMoved);
    EXPECT_EQ(SaveError::fromErrno(ENOENT + (1LL << 32)).reason(), SaveError::notMoved);
}

} // namespace
