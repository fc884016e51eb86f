#include "app/storage/DiskFileSystem.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "app/storage/FileDescriptor.h"
#include "app/base/NewFile.h"
#include "kit/Error.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace fs = std::filesystem;

namespace {

std::string text(const char* source) {
    return QCoreApplication::translate("DiskFileSystem", source).toStdString();
}

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

// A saved file is the user's like any file they make there: 0666 less the umask, not the cache's
// private mode. Failing that, the file stays private, which loses nothing.
void giveSavedMode(const fs::path& file) {
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.valid()) ::fchmod(fd.get(), 0666 & ~NewFile::currentUmask());
}

void copyAcross(const fs::path& from, const fs::path& to, int renameError) {
    FileDescriptor source(::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!source.valid()) fail("open source", errno, from, to);
    struct stat info {};
    if (::fstat(source.get(), &info) != 0) fail("stat source", errno, from, to);
    // Only a plain file can be carried over by copying.
    if (!S_ISREG(info.st_mode)) fail("move", renameError, from, to);

    NewFile destination(to.parent_path(), to.filename().string(), 0666, false);
    if (destination.error() != 0) fail("create destination", destination.error(), from, to);
    if (int error = copyContents(source.get(), destination.fd())) fail("copy", error, from, to);
    if (int error = destination.publish()) fail("publish destination", error, from, to);
    // The move is all or nothing: a source that stays must not leave a second copy behind.
    if (::unlink(from.c_str()) != 0) {
        const int error = errno;
        ::unlink(to.c_str());
        fail("remove source", error, from, to);
    }
}

} // namespace

void DiskFileSystem::moveItem(const fs::path& from, const fs::path& to) {
    if (renameNoReplace(from, to) == 0) {
        giveSavedMode(to);
        return;
    }
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
            throw kit::Error(text(QT_TRANSLATE_NOOP("DiskFileSystem", "The capture file no longer exists.")));
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
