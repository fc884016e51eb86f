#include "app/storage/CaptureLibrary.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeData>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>
#include <qcoro/qcorofuture.h>

#include "app/base/AppSettings.h"
#include "app/base/BaseDirectories.h"
#include "app/storage/CaptureStoreError.h"
#include "app/storage/FileDescriptor.h"
#include "app/base/NewFile.h"
#include "kit/Calendar.h"
#include "kit/CaptureFileNamer.h"
#include "kit/TempRetention.h"

namespace fs = std::filesystem;

namespace {

constexpr mode_t privateFolderMode = 0700;
constexpr mode_t privateFileMode = 0600;

QString toQString(const fs::path& path) {
    return QString::fromStdString(path.native());
}

std::error_code lastError() {
    return {errno, std::generic_category()};
}

// Creates each missing folder of the path, private to the user; existing ones are left as
// they are (the base of the cache is the user's, and may well be a link).
std::error_code makeFolders(const fs::path& folder) {
    fs::path partial;
    for (const auto& component : folder) {
        partial /= component;
        if (::mkdir(partial.c_str(), privateFolderMode) != 0 && errno != EEXIST) return lastError();
    }
    return {};
}

// Opens the folder `name` inside `parent` without following a link, creating it when missing
// and `create` holds. A link there is replaced by a fresh private folder: following it would
// let the purge delete, and captures land, wherever it points.
FileDescriptor openOwnFolder(int parent, const fs::path& path, bool create, const Logger& log, std::error_code& error) {
    const std::string name = path.filename().string();
    for (int attempt = 0; attempt < 3; ++attempt) {
        FileDescriptor fd(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (fd.valid()) return fd;
        const int failure = errno;
        struct stat info {};
        if (failure == ENOENT && create) {
            if (::mkdirat(parent, name.c_str(), privateFolderMode) != 0 && errno != EEXIST) break;
        } else if ((failure == ELOOP || failure == ENOTDIR) &&
                   ::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode)) {
            if (::unlinkat(parent, name.c_str(), 0) != 0) break;
            log.error("cache folder link replaced path={}", path.string());
            if (::mkdirat(parent, name.c_str(), privateFolderMode) != 0 && errno != EEXIST) break;
        } else {
            errno = failure;
            break;
        }
    }
    error = lastError();
    return FileDescriptor();
}

// Removes an entry of the folder and everything in it, never following a link.
void removeTree(int folder, const char* name, std::error_code& error) {
    if (::unlinkat(folder, name, 0) == 0) return;
    if (errno != EISDIR && errno != EPERM) {
        error = lastError();
        return;
    }
    const int fd = ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        error = lastError();
        return;
    }
    if (DIR* dir = ::fdopendir(fd)) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view child = entry->d_name;
            if (child != "." && child != "..") removeTree(fd, entry->d_name, error);
        }
        ::closedir(dir);
    } else {
        ::close(fd);
    }
    if (::unlinkat(folder, name, AT_REMOVEDIR) != 0 && !error) error = lastError();
}

std::optional<CaptureLibrary::TimePoint> birthTime(int folder, const char* name) {
    struct statx info {};
    if (::statx(folder, name, AT_SYMLINK_NOFOLLOW, STATX_BTIME | STATX_MTIME, &info) != 0) return std::nullopt;
    auto toTimePoint = [](const struct statx_timestamp& stamp) {
        return CaptureLibrary::TimePoint(std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(stamp.tv_sec) + std::chrono::nanoseconds(stamp.tv_nsec)));
    };
    // A zero birth time is a file system that keeps the field without filling it.
    if ((info.stx_mask & STATX_BTIME) && (info.stx_btime.tv_sec != 0 || info.stx_btime.tv_nsec != 0)) {
        return toTimePoint(info.stx_btime);
    }
    if (info.stx_mask & STATX_MTIME) return toTimePoint(info.stx_mtime);
    return std::nullopt;
}

// Resolution of a picture that should show at its on-screen size, in dots per metre.
int dotsPerMeter(const CapturedImage& captured) {
    const double pointWidth = captured.pointSize.width;
    double dpi = captured.image.width() * 72.0 / std::max(pointWidth, 1.0);
    if (!std::isfinite(pointWidth) || !std::isfinite(dpi) || dpi <= 0) dpi = 72.0;
    return static_cast<int>(std::clamp(std::round(dpi / 0.0254), 1.0, double(INT_MAX)));
}

// Returns 0 or the errno of the failing write.
int writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0) return errno;
        done += wrote;
    }
    return 0;
}

// Qt's PNG writer takes zlib's level as a quality: 89 is level 1, 0 is level 9, -1 zlib's default.
constexpr int defaultPngQuality = -1;
// zlib's fastest level: the bench's 4K desktop encodes in 175 ms instead of 250, its file a fifth larger.
constexpr int fastPngQuality = 89;

// Writes the PNG under its name only once it is whole, readable by the user only. Encoding into
// memory first keeps the encoder away from failing writes (which it reports without a cause, and
// leaks on) and lets a full disk be told as such.
std::optional<std::string> writePng(const QImage& image, const fs::path& url, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(quality);
    if (!writer.write(image)) return writer.errorString().toStdString();
    buffer.close();
    NewFile target(url.parent_path(), url.filename().string(), privateFileMode, true);
    int error = target.error();
    if (error == 0) error = writeAll(target.fd(), bytes);
    if (error == 0) error = target.publish();
    if (error != 0) return std::error_code(error, std::generic_category()).message();
    return std::nullopt;
}

} // namespace

CaptureLibrary::CaptureLibrary(AppSettings& settings, std::unique_ptr<kit::CaptureFileSystem> fileSystem,
                               fs::path cacheFolder, QObject* parent)
    : QObject(parent),
      settings_(settings),
      fileSystem_(std::move(fileSystem)),
      cacheFolder_(std::move(cacheFolder)),
      purgeTimer_(this) {
    writer_.setMaxThreadCount(1);
    purgeTimer_.setInterval(std::chrono::duration_cast<std::chrono::milliseconds>(purgeInterval));
    purgeTimer_.setTimerType(Qt::VeryCoarseTimer);
    connect(&purgeTimer_, &QTimer::timeout, this, [this] { purgeExpired(); });
}

fs::path CaptureLibrary::defaultCacheFolder() {
    return BaseDirectories::cacheHome() / std::string(Log::subsystem) / "Captures";
}

FileDescriptor CaptureLibrary::openCacheFolder(bool create, std::error_code& error) const {
    // The program's own two folders at the end of the path are checked; what lies above them
    // is the user's.
    const fs::path own = cacheFolder_.parent_path();
    const fs::path base = own.parent_path().empty() ? fs::path("/") : own.parent_path();
    if (create) error = makeFolders(base);
    if (error) return FileDescriptor();
    const FileDescriptor baseFd(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!baseFd.valid()) {
        error = lastError();
        return FileDescriptor();
    }
    const FileDescriptor ownFd = openOwnFolder(baseFd.get(), own, create, log_, error);
    if (!ownFd.valid()) return FileDescriptor();
    FileDescriptor folder = openOwnFolder(ownFd.get(), cacheFolder_, create, log_, error);
    if (!folder.valid()) return FileDescriptor();
    struct stat info {};
    if (::fstat(folder.get(), &info) != 0) {
        error = lastError();
    } else if (info.st_uid != ::geteuid()) {
        error = std::make_error_code(std::errc::permission_denied);
    } else if ((info.st_mode & 07777) != privateFolderMode && ::fchmod(folder.get(), privateFolderMode) != 0) {
        // The folder may predate this rule or have met a loose umask.
        error = lastError();
    }
    return error ? FileDescriptor() : std::move(folder);
}

fs::path CaptureLibrary::newCacheURL(kit::CaptureKind kind, TimePoint capturedAt) {
    const std::string name = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
    std::error_code error;
    const FileDescriptor cache = openCacheFolder(true, error);
    if (!error && ::mkdirat(cache.get(), name.c_str(), privateFolderMode) != 0) error = lastError();
    if (!error && ::fchmodat(cache.get(), name.c_str(), privateFolderMode, 0) != 0) error = lastError();
    if (error) {
        log_.error("cache folder unavailable error={}", error.message());
        throw CaptureStoreError();
    }
    return cacheFolder_ / name / kit::CaptureFileNamer::fileName(kind, capturedAt, kit::Calendar::current());
}

std::pair<Capture, QFuture<std::optional<std::string>>> CaptureLibrary::beginStore(const CapturedImage& captured, int quality) {
    if (captured.image.isNull()) {
        log_.error("store failed error={}", "empty image");
        throw CaptureStoreError();
    }
    const auto now = std::chrono::system_clock::now();
    const fs::path url = newCacheURL(kit::CaptureKind::image, now);
    Capture capture{
        .id = QUuid::createUuid(),
        .fileURL = url,
        .kind = kit::CaptureKind::image,
        .pixelSize = {double(captured.image.width()), double(captured.image.height())},
        .capturedAt = now,
        .isSaved = false,
    };
    // Encoding a full screen takes tens of milliseconds: the main thread would stall.
    auto writing = QtConcurrent::run(&writer_, [image = captured.image, resolution = dotsPerMeter(captured), url, quality]() mutable {
        image.setDotsPerMeterX(resolution);
        image.setDotsPerMeterY(resolution);
        return writePng(image, url, quality);
    });
    return {std::move(capture), std::move(writing)};
}

QCoro::Task<Capture> CaptureLibrary::store(const CapturedImage& captured) {
    auto [capture, writing] = beginStore(captured, defaultPngQuality);
    return published(std::move(writing), std::move(capture));
}

Capture CaptureLibrary::storeNow(const CapturedImage& captured) {
    // Waited for: the quicker encoding.
    auto [capture, writing] = beginStore(captured, fastPngQuality);
    concluded(writing.result(), capture);
    return capture;
}

QCoro::Task<Capture> CaptureLibrary::published(QFuture<std::optional<std::string>> writing, Capture capture) {
    concluded(co_await writing, capture);
    co_return capture;
}

void CaptureLibrary::concluded(const std::optional<std::string>& failure, const Capture& capture) {
    const Logger log("library");
    if (failure) {
        std::error_code ignored;
        fs::remove_all(capture.fileURL.parent_path(), ignored);
        log.error("store failed error={}", *failure);
        throw CaptureStoreError();
    }
    log.info("stored capture file={}", capture.fileURL.filename().string());
}

kit::SaveResult CaptureLibrary::save(const Capture& capture) {
    const std::string name = kit::CaptureFileNamer::fileName(capture.kind, capture.capturedAt, kit::Calendar::current());
    const fs::path& folder = settings_.saveFolder();
    // Many accounts have no desktop folder; the default one is made when first needed. A folder
    // the user chose is theirs: missing, it stays a failed save.
    std::error_code error;
    if (settings_.savesToDefaultFolder() && !fs::exists(folder, error) && fs::create_directories(folder, error)) {
        log_.info("save folder created path={}", folder.string());
    }
    kit::SaveResult result = kit::SaveOutcome::save(capture.fileURL, folder, name, *fileSystem_);
    if (!result.ok()) {
        log_.error("save failed reason={}", result.error().reason());
        return result;
    }
    // Only an emptied folder of the cache's own goes; a file saved from elsewhere leaves its
    // folder alone.
    if (auto folder = ownCaptureFolder(capture)) {
        std::error_code ignored;
        fs::remove(*folder, ignored);
    }
    log_.info("saved file={}", result.value().filename().string());
    return result;
}

void CaptureLibrary::copy(const Capture& capture) {
    auto data = std::make_unique<QMimeData>();
    if (capture.kind == kit::CaptureKind::image) {
        QImageReader reader(toQString(capture.fileURL));
        const QImage image = reader.read();
        if (!image.isNull()) data->setImageData(image);
    }
    const QUrl url = QUrl::fromLocalFile(toQString(capture.fileURL));
    data->setUrls({url});
    // File managers paste files from this form.
    data->setData(QStringLiteral("x-special/gnome-copied-files"), QByteArray("copy\n") + url.toEncoded());
    QGuiApplication::clipboard()->setMimeData(data.release());
    log_.info("copied kind={}", capture.kind.name());
}

std::optional<fs::path> CaptureLibrary::ownCaptureFolder(const Capture& capture) const {
    const fs::path folder = capture.fileURL.parent_path();
    const fs::path name = folder.filename();
    if (name.empty() || name == "." || name == "..") return std::nullopt;
    std::error_code error;
    const fs::path parent = fs::weakly_canonical(folder.parent_path(), error);
    if (error || parent.empty()) return std::nullopt;
    // Through a linked cache folder the comparison below would lead out of the cache.
    for (const fs::path& own : {cacheFolder_, cacheFolder_.parent_path()}) {
        if (fs::is_symlink(fs::symlink_status(own, error))) return std::nullopt;
    }
    const fs::path cache = fs::weakly_canonical(cacheFolder_, error);
    if (error || parent != cache) return std::nullopt;
    // A link planted in the cache must not lead a removal out of it.
    const fs::path own = cache / name;
    if (fs::is_symlink(fs::symlink_status(own, error))) return std::nullopt;
    return own;
}

void CaptureLibrary::discard(const Capture& capture) {
    const auto folder = ownCaptureFolder(capture);
    if (!folder) {
        log_.error("discard refused: file is outside the cache folder");
        return;
    }
    std::error_code error;
    fs::remove_all(*folder, error);
    if (error) {
        log_.error("discard failed error={}", error.message());
        return;
    }
    log_.info("discarded file={}", capture.fileURL.filename().string());
}

void CaptureLibrary::startPurging() {
    purgeExpired();
    purgeTimer_.start();
}

void CaptureLibrary::purgeExpired() {
    purgeExpired(std::chrono::system_clock::now());
}

void CaptureLibrary::purgeExpired(TimePoint now) {
    std::error_code error;
    const FileDescriptor cache = openCacheFolder(false, error);
    if (error) return;
    std::vector<kit::TempRetention::Entry> entries;
    if (DIR* dir = ::fdopendir(::dup(cache.get()))) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            if (auto created = birthTime(cache.get(), entry->d_name)) {
                entries.push_back({cacheFolder_ / name, *created});
            }
        }
        ::closedir(dir);
    }
    const auto expired = kit::TempRetention::expiredFiles(entries, now, kit::TempRetention::maximumAge);
    if (expired.empty()) return;
    for (const auto& entry : expired) {
        std::error_code failure;
        removeTree(cache.get(), entry.filename().c_str(), failure);
        if (failure) log_.error("purge failed file={}", entry.filename().string());
    }
    log_.info("purged count={}", expired.size());
}

std::optional<CaptureLibrary::TimePoint> CaptureLibrary::creationDate(const fs::path& path) {
    return birthTime(AT_FDCWD, path.c_str());
}
