#include "app/storage/DiskFileSystem.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "kit/Error.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace fs = std::filesystem;

namespace {

int renameNoReplace(const fs::path& from, const fs::path& to) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 28))
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
#else
    return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE));
#endif
}

[[noreturn]] void fail(const char* step, int error, const fs::path& from, const fs::path& to) {
    throw fs::filesystem_error(step, from, to, std::error_code(error, std::generic_category()));
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Returns 0 or the errno of close, which is where some file systems report a failed write.
    int close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int fd_;
};

// Returns 0 or the errno of the failing read or write.
int copyContents(int source, int destination) {
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(source, buffer, sizeof buffer);
        if (got == 0) return 0;
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        ssize_t done = 0;
        while (done < got) {
            const ssize_t wrote = ::write(destination, buffer + done, static_cast<size_t>(got - done));
            if (wrote < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            done += wrote;
        }
    }
}

void syncFolder(const fs::path& folder) {
    // Best effort: some file systems cannot sync a directory, and the data itself is synced.
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) ::fsync(fd.get());
}

void copyAcross(const fs::path& from, const fs::path& to, int renameError) {
    FileDescriptor source(::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!source.valid()) fail("open source", errno, from, to);
    struct stat info {};
    if (::fstat(source.get(), &info) != 0) fail("stat source", errno, from, to);
    // Only a plain file can be carried over by copying.
    if (!S_ISREG(info.st_mode)) fail("move", renameError, from, to);

    const mode_t mode = info.st_mode & 0777;
    FileDescriptor destination(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (!destination.valid()) fail("create destination", errno, from, to);

    auto abandon = [&](const char* step, int error) {
        if (destination.valid()) destination.close();
        ::unlink(to.c_str());
        fail(step, error, from, to);
    };
    // The umask must not loosen or tighten what the source had.
    if (::fchmod(destination.get(), mode) != 0) abandon("chmod destination", errno);
    if (int error = copyContents(source.get(), destination.get())) abandon("copy", error);
    if (::fsync(destination.get()) != 0) abandon("sync destination", errno);
    if (int error = destination.close()) abandon("close destination", error);
    syncFolder(to.parent_path());
    // The move is all or nothing: a source that stays must not leave a second copy behind.
    if (::unlink(from.c_str()) != 0) abandon("remove source", errno);
}

} // namespace

void DiskFileSystem::moveItem(const fs::path& from, const fs::path& to) {
    if (renameNoReplace(from, to) == 0) return;
    const int error = errno;
    switch (error) {
    case EXDEV:
    // The file system cannot rename without replacing; an exclusive copy still never replaces.
    case EINVAL:
    case ENOSYS:
    case EOPNOTSUPP:
        copyAcross(from, to, error);
        return;
    case ENOENT: {
        struct stat info {};
        if (::lstat(from.c_str(), &info) != 0 && errno == ENOENT) {
            throw kit::Error("The capture file no longer exists.");
        }
        fail("move", error, from, to);
    }
    default:
        fail("move", error, from, to);
    }
}

bool DiskFileSystem::fileExists(const fs::path& path) const {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}
