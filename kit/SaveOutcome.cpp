#include "kit/SaveOutcome.h"

#include <cerrno>
#include <ostream>

#include "kit/CaptureFileNamer.h"
#include "kit/Error.h"

namespace kit {

SaveError::SaveError(const std::exception& error) : SaveError(notMoved) {
    const ErrorIdentity identity = identify(error);
    if (identity.domain == ErrorDomain::posix) *this = fromErrno(identity.code);
}

SaveError SaveError::fromErrno(long long code) {
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        return SaveError(folderMissing);
    case EACCES:
    case EPERM:
    case EROFS:
        return SaveError(notWritable);
    case ENOSPC:
    case EDQUOT:
        return SaveError(diskFull);
    default:
        return SaveError(notMoved);
    }
}

std::ostream& operator<<(std::ostream& out, const SaveError& error) {
    return out << "SaveError(" << error.reason() << ')';
}

CaptureFileSystem::~CaptureFileSystem() = default;

namespace SaveOutcome {

SaveResult save(const std::filesystem::path& temp, const std::filesystem::path& folder,
                const std::string& fileName, CaptureFileSystem& fileSystem) {
    // Anything a file system implementation throws, from either call, is a failed save.
    try {
        const auto destination = CaptureFileNamer::uniqueURL(
            folder, fileName, [&](const std::filesystem::path& p) { return fileSystem.fileExists(p); });
        fileSystem.moveItem(temp, destination);
        return SaveResult::success(destination);
    } catch (const std::exception& error) {
        return SaveResult::failure(SaveError(error));
    } catch (...) {
        // No errno to go by: errno 0 classifies as "couldn't be moved".
        return SaveResult::failure(SaveError::fromErrno(0));
    }
}

} // namespace SaveOutcome

} // namespace kit
