#include "app/storage/CaptureLibrary.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeData>
#include <QUrl>

#include "app/base/AppSettings.h"
#include "app/storage/CaptureStoreError.h"
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

// Creates each missing folder of the path, private to the user.
std::error_code makeFolders(const fs::path& folder) {
    fs::path partial;
    for (const auto& component : folder) {
        partial /= component;
        if (::mkdir(partial.c_str(), privateFolderMode) != 0 && errno != EEXIST) return lastError();
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return lastError();
    if (!S_ISDIR(info.st_mode)) return std::make_error_code(std::errc::not_a_directory);
    // The folder may predate this rule or have met a loose umask.
    if ((info.st_mode & 07777) != privateFolderMode && ::chmod(folder.c_str(), privateFolderMode) != 0) {
        return lastError();
    }
    return {};
}

// Resolution of a picture that should show at its on-screen size, in dots per metre.
int dotsPerMeter(const CapturedImage& captured) {
    const double pointWidth = captured.pointSize.width;
    double dpi = captured.image.width() * 72.0 / std::max(pointWidth, 1.0);
    if (!std::isfinite(pointWidth) || !std::isfinite(dpi) || dpi <= 0) dpi = 72.0;
    return static_cast<int>(std::clamp(std::round(dpi / 0.0254), 1.0, double(INT_MAX)));
}

// Writes the PNG into a file that did not exist before, readable by the user only.
std::optional<std::string> writePng(const QImage& image, const fs::path& url) {
    const int fd = ::open(url.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, privateFileMode);
    if (fd < 0) return lastError().message();
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString().toStdString();
    }
    if (::fchmod(fd, privateFileMode) != 0) return lastError().message();
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) return writer.errorString().toStdString();
    if (!file.flush()) return file.errorString().toStdString();
    if (::fsync(fd) != 0) return lastError().message();
    file.close();
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
    purgeTimer_.setInterval(std::chrono::duration_cast<std::chrono::milliseconds>(purgeInterval));
    purgeTimer_.setTimerType(Qt::VeryCoarseTimer);
    connect(&purgeTimer_, &QTimer::timeout, this, [this] { purgeExpired(); });
}

fs::path CaptureLibrary::defaultCacheFolder() {
    fs::path base;
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    // Relative values are invalid and must be ignored.
    if (xdg && *xdg && fs::path(xdg).is_absolute()) {
        base = xdg;
    } else {
        base = fs::path(QFile::encodeName(QDir::homePath()).toStdString()) / ".cache";
    }
    return base / std::string(Log::subsystem) / "Captures";
}

fs::path CaptureLibrary::newCacheURL(kit::CaptureKind kind, TimePoint capturedAt) {
    const fs::path folder =
        cacheFolder_ / QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
    std::error_code error = makeFolders(cacheFolder_);
    if (!error && ::mkdir(folder.c_str(), privateFolderMode) != 0) error = lastError();
    if (!error && ::chmod(folder.c_str(), privateFolderMode) != 0) error = lastError();
    if (error) {
        log_.error("cache folder unavailable error={}", error.message());
        throw CaptureStoreError();
    }
    return folder / kit::CaptureFileNamer::fileName(kind, capturedAt, kit::Calendar::current());
}

Capture CaptureLibrary::store(const CapturedImage& captured) {
    if (captured.image.isNull()) {
        log_.error("store failed error={}", "empty image");
        throw CaptureStoreError();
    }
    const auto now = std::chrono::system_clock::now();
    const fs::path url = newCacheURL(kit::CaptureKind::image, now);

    QImage image = captured.image;
    const int resolution = dotsPerMeter(captured);
    image.setDotsPerMeterX(resolution);
    image.setDotsPerMeterY(resolution);
    if (auto failure = writePng(image, url)) {
        std::error_code ignored;
        fs::remove_all(url.parent_path(), ignored);
        log_.error("store failed error={}", *failure);
        throw CaptureStoreError();
    }
    log_.info("stored capture file={}", url.filename().string());
    return Capture{
        .id = QUuid::createUuid(),
        .fileURL = url,
        .kind = kit::CaptureKind::image,
        .pixelSize = {double(captured.image.width()), double(captured.image.height())},
        .capturedAt = now,
        .isSaved = false,
    };
}

kit::SaveResult CaptureLibrary::save(const Capture& capture) {
    const std::string name = kit::CaptureFileNamer::fileName(capture.kind, capture.capturedAt, kit::Calendar::current());
    kit::SaveResult result = kit::SaveOutcome::save(capture.fileURL, settings_.saveFolder(), name, *fileSystem_);
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
    std::vector<kit::TempRetention::Entry> entries;
    std::error_code error;
    for (fs::directory_iterator it(cacheFolder_, error), end; !error && it != end; it.increment(error)) {
        if (auto created = creationDate(it->path())) entries.push_back({it->path(), *created});
    }
    const auto expired = kit::TempRetention::expiredFiles(entries, now, kit::TempRetention::maximumAge);
    if (expired.empty()) return;
    for (const auto& entry : expired) {
        std::error_code failure;
        fs::remove_all(entry, failure);
        if (failure) log_.error("purge failed file={}", entry.filename().string());
    }
    log_.info("purged count={}", expired.size());
}

std::optional<CaptureLibrary::TimePoint> CaptureLibrary::creationDate(const fs::path& path) {
    struct statx info {};
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME | STATX_MTIME, &info) != 0) {
        return std::nullopt;
    }
    auto toTimePoint = [](const struct statx_timestamp& stamp) {
        return TimePoint(std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(stamp.tv_sec) + std::chrono::nanoseconds(stamp.tv_nsec)));
    };
    // A zero birth time is a file system that keeps the field without filling it.
    if ((info.stx_mask & STATX_BTIME) && (info.stx_btime.tv_sec != 0 || info.stx_btime.tv_nsec != 0)) {
        return toTimePoint(info.stx_btime);
    }
    if (info.stx_mask & STATX_MTIME) return toTimePoint(info.stx_mtime);
    return std::nullopt;
}
