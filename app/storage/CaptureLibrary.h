#pragma once
// The private cache of fresh captures: one 0700 folder per capture, named by a UUID, holding
// one 0600 file that appears under its name only when whole. No link in the cache's own folders
// is followed. The library writes pictures there (encoded on a thread of its own), moves them into
// the save folder, puts them on the clipboard, deletes them, and purges whatever is older than a
// day. Main thread only.

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>
#include <system_error>

#include <QFuture>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <qcoro/qcorotask.h>

#include "app/capture/CapturedImage.h"
#include "app/base/Log.h"
#include "app/storage/Capture.h"
#include "app/storage/FileDescriptor.h"
#include "kit/CaptureVocabulary.h"
#include "kit/SaveOutcome.h"

class AppSettings;

class CaptureLibrary : public QObject {
    Q_OBJECT

public:
    using TimePoint = std::chrono::system_clock::time_point;

    static constexpr std::chrono::seconds purgeInterval{3600};

    CaptureLibrary(AppSettings& settings, std::unique_ptr<kit::CaptureFileSystem> fileSystem,
                   std::filesystem::path cacheFolder = defaultCacheFolder(), QObject* parent = nullptr);

    // $XDG_CACHE_HOME (else ~/.cache), then the bundle identifier, then "Captures".
    static std::filesystem::path defaultCacheFolder();
    const std::filesystem::path& cacheFolder() const { return cacheFolder_; }

    // Makes a fresh per-capture folder and returns where the capture's file goes in it.
    // Throws CaptureStoreError.
    std::filesystem::path newCacheURL(kit::CaptureKind kind, TimePoint capturedAt);

    // Writes the picture as a PNG whose resolution makes it show at its on-screen size, encoded
    // off the main thread. Throws CaptureStoreError, leaving nothing behind.
    QCoro::Task<Capture> store(const CapturedImage& image);
    // The same, written when it returns, with zlib's fastest level: for the editor, whose export
    // is dragged or copied at once and waited for.
    Capture storeNow(const CapturedImage& image);

    // Moves the capture's file into the save folder under its dated name; never throws.
    kit::SaveResult save(const Capture& capture);

    // A picture goes on the clipboard as image data and as a file, a movie as a file only.
    void copy(const Capture& capture);

    // Deletes the capture's folder, but only a per-capture folder of the cache itself.
    void discard(const Capture& capture);

    // Purges now and then every purgeInterval for the library's life.
    void startPurging();
    void purgeExpired();
    void purgeExpired(TimePoint now);

    // Birth time where the file system records one, else the modification time, so the cache
    // is purged everywhere. Empty when the entry cannot be examined.
    static std::optional<TimePoint> creationDate(const std::filesystem::path& path);

private:
    // The cache folder, reached without following links in the program's own folders (a link is
    // replaced by a fresh private folder and logged), owned by the user and 0700.
    FileDescriptor openCacheFolder(bool create, std::error_code& error) const;
    // The folder that discard may remove for this capture, if it is one of the cache's own.
    std::optional<std::filesystem::path> ownCaptureFolder(const Capture& capture) const;
    // The end of a store, back on the main thread; touches nothing of the library, which may be
    // gone by then.
    // The capture to be, and its picture being written.
    std::pair<Capture, QFuture<std::optional<std::string>>> beginStore(const CapturedImage& image, int quality);
    static QCoro::Task<Capture> published(QFuture<std::optional<std::string>> writing, Capture capture);
    // Logs the store's end; on failure removes its folder and throws CaptureStoreError.
    static void concluded(const std::optional<std::string>& failure, const Capture& capture);

    AppSettings& settings_;
    std::unique_ptr<kit::CaptureFileSystem> fileSystem_;
    std::filesystem::path cacheFolder_;
    QTimer purgeTimer_;
    Logger log_{"library"};
    // One picture at a time. Declared last: goes first, waiting for the picture being written.
    QThreadPool writer_;
};
