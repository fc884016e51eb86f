#pragma once
// Moving a capture into the save folder under a name that is free there, never overwriting.
// Failure is a value carrying one user-facing sentence; saving itself never throws.

#include <exception>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>

#include "kit/Result.h"
#include "kit/Translatable.h"

namespace kit {

class SaveError {
public:
    static constexpr std::string_view folderMissing =
        KIT_TRANSLATABLE("SaveError", "The save folder doesn't exist.");
    static constexpr std::string_view notWritable =
        KIT_TRANSLATABLE("SaveError", "Glimpo can't write to the save folder.");
    static constexpr std::string_view diskFull =
        KIT_TRANSLATABLE("SaveError", "The disk is full.");
    static constexpr std::string_view notMoved =
        KIT_TRANSLATABLE("SaveError", "The file couldn't be moved.");

    // Classifies by errno when the exception carries one (kit::identify), else notMoved.
    explicit SaveError(const std::exception& error);
    static SaveError fromErrno(long long code);

    // The sentence shown to the user, unchanged.
    const std::string& reason() const { return reason_; }

    friend bool operator==(const SaveError&, const SaveError&) = default;

private:
    explicit SaveError(std::string_view reason) : reason_(reason) {}

    std::string reason_;
};

std::ostream& operator<<(std::ostream& out, const SaveError& error);

// The disk seam of saving, so the rule can be exercised without one.
class CaptureFileSystem {
public:
    virtual ~CaptureFileSystem();

    // Throws on failure, with the errno where there is one (std::filesystem::filesystem_error,
    // std::system_error or kit::Error of the posix domain).
    virtual void moveItem(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    // Whether anything, even a dangling link, is there.
    virtual bool fileExists(const std::filesystem::path& path) const = 0;
};

using SaveResult = Result<std::filesystem::path, SaveError>;

namespace SaveOutcome {

// Moves `temp` to the first free of folder/fileName and its numbered variants. One move, no
// retry under another name; on failure `temp` stays where it was. The folder is neither checked
// nor created: a missing folder shows up as the move's own error.
SaveResult save(const std::filesystem::path& temp, const std::filesystem::path& folder,
                const std::string& fileName, CaptureFileSystem& fileSystem);

} // namespace SaveOutcome

} // namespace kit
