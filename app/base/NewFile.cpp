#include "app/base/NewFile.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Best effort: some file systems cannot sync a folder, and the data itself is synced.
void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

int NewFile::renameNoReplace(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return errno;
    // A hard link fails just the same when the name is taken.
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    ::unlink(from.c_str());
    return 0;
}

NewFile::NewFile(fs::path folder, std::string name, mode_t mode, bool exactMode, Publishing publishing)
    : folder_(std::move(folder)), name_(std::move(name)), publishing_(publishing) {
    // An unnamed file can only be linked in beside others, never over one.
    const bool unnamed = publishing_ == Publishing::besideExisting;
    if (unnamed) fd_ = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (!unnamed || (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))) {
        std::string pattern = (folder_ / ("." + name_ + ".XXXXXX")).string();
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ >= 0) {
            temporary_ = pattern;
            if (!exactMode) mode &= ~currentUmask();
            exactMode = true;
        }
    }
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    if (exactMode && ::fchmod(fd_, mode) != 0) {
        error_ = errno;
        ::close(fd_);
        fd_ = -1;
        if (!temporary_.empty()) ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

NewFile::~NewFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

int NewFile::write(std::string_view bytes) {
    if (fd_ < 0) return error_ != 0 ? error_ : EBADF;
    while (!bytes.empty()) {
        const ssize_t wrote = ::write(fd_, bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0) return errno;
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
    }
    return 0;
}

int NewFile::publish() {
    if (fd_ < 0) return error_ != 0 ? error_ : EBADF;
    if (::fsync(fd_) != 0) return errno;
    const fs::path target = path();
    int error = 0;
    if (!temporary_.empty()) {
        // close() is where some file systems report a failed write.
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) return errno;
        const bool replace = publishing_ == Publishing::replacingExisting;
        error = replace ? (::rename(temporary_.c_str(), target.c_str()) == 0 ? 0 : errno)
                        : renameNoReplace(temporary_, target);
        if (error == 0) temporary_.clear();
    } else {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            error = errno;
            // Without /proc; this form needs a capability most users lack.
            if (error == ENOENT && ::access("/proc/self/fd", F_OK) != 0) {
                error = ::linkat(fd_, "", AT_FDCWD, target.c_str(), AT_EMPTY_PATH) == 0 ? 0 : errno;
            }
        }
    }
    if (error == 0) syncFolder(folder_);
    return error;
}

bool NewFile::isTemporaryOf(std::string_view candidate, std::string_view name) {
    return candidate.size() == name.size() + 8 && candidate.starts_with('.') && candidate.substr(1, name.size()) == name &&
           candidate[name.size() + 1] == '.';
}

mode_t NewFile::currentUmask() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("Umask:")) return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8) & 0777);
    }
    // Without /proc: reading the umask means setting it, for as short a moment as possible.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}
