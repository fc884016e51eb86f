#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "app/base/AppSettings.h"
#include "app/base/Log.h"
#include "app/base/SettingsStore.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/CaptureStoreError.h"
#include "app/storage/DiskFileSystem.h"
#include "kit/Calendar.h"
#include "kit/CaptureFileNamer.h"
#include "tests/app/TestSupport.h"
#include "tests/app/fakes/FakeServices.h"
#include "tests/app/storage/KilledChild.h"
#include "tests/app/storage/ScopedMount.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using testsupport::await;
using testsupport::mode;
using testsupport::readFile;

CapturedImage noise(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    std::mt19937 engine(3);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) image.setPixel(x, y, engine());
    }
    return {image, {double(side), double(side)}};
}

class CaptureLibraryTest : public ::testing::Test {
protected:
    testsupport::TempDir temp;
    fs::path saveFolder = temp / "Desktop";
    fs::path cacheFolder = temp / "cache" / "org.glimpo.Glimpo" / "Captures";
    MemoryLogSink logs;
    AppSettings settings{std::make_unique<SettingsStore>(temp / "config" / "settings.json")};
    std::unique_ptr<CaptureLibrary> library = makeLibrary(cacheFolder);

    void SetUp() override {
        fs::create_directories(saveFolder);
        settings.setSaveFolder(saveFolder);
    }

    std::unique_ptr<CaptureLibrary> makeLibrary(const fs::path& cache) {
        return std::make_unique<CaptureLibrary>(settings, std::make_unique<DiskFileSystem>(), cache);
    }

    fs::path savedName(const Capture& capture) const {
        return kit::CaptureFileNamer::fileName(capture.kind, capture.capturedAt, kit::Calendar::current());
    }

    bool logged(const std::string& line) const { return logs.contains("library", line); }
};

TEST_F(CaptureLibraryTest, StoreWritesAPrivatePngInAFolderOfItsOwn) {
    Capture first = await(library->store(fakes::image(3000, 4)));
    Capture second = await(library->store(fakes::image(3000, 4)));
    // Crossing a second boundary between the two stores would prove nothing; try again.
    for (int i = 0; i < 3 && first.fileURL.filename() != second.fileURL.filename(); ++i) {
        first = await(library->store(fakes::image(3000, 4)));
        second = await(library->store(fakes::image(3000, 4)));
    }
    EXPECT_EQ(first.fileURL.filename(), second.fileURL.filename());
    EXPECT_NE(first.fileURL.parent_path(), second.fileURL.parent_path());
    EXPECT_EQ(first.fileURL.filename(), savedName(first));
    EXPECT_EQ(first.fileURL.parent_path().parent_path(), cacheFolder);
    EXPECT_EQ(mode(cacheFolder.parent_path()), 0700u);
    EXPECT_EQ(mode(first.fileURL.parent_path()), 0700u);
    EXPECT_EQ(mode(first.fileURL), 0600u);
    EXPECT_EQ(QImage(QString::fromStdString(second.fileURL.string())).size(), QSize(3000, 4));
}

TEST_F(CaptureLibraryTest, StoreFailuresThrowAndLeaveNothingBehind) {
    std::ofstream(temp / "file") << "in the way";
    auto blocked = makeLibrary(temp / "file" / "Captures");
    EXPECT_THROW(blocked->newCacheURL(kit::CaptureKind::video, std::chrono::system_clock::now()), CaptureStoreError);
    EXPECT_TRUE(logged("cache folder unavailable error=Not a directory"));

    EXPECT_THROW(await(library->store(CapturedImage{})), CaptureStoreError);

    testsupport::ScopedMount mount(temp / "full", "tmpfs", "tmpfs", "size=64k");
    REQUIRE_MOUNTED(mount);
    auto full = makeLibrary(temp / "full" / "Captures");
    fs::create_directory(temp / "full" / "Captures");
    EXPECT_EQ(testsupport::errorOf<CaptureStoreError>([&] { await(full->store(noise(300))); }),
              "The capture couldn't be written to disk.");
    EXPECT_TRUE(fs::is_empty(temp / "full" / "Captures"));
}

TEST_F(CaptureLibraryTest, AStoreKilledMidwayLeavesNoPictureUnderItsName) {
    EXPECT_EQ(testsupport::killedWhileWriting(64 * 1024, [&] { await(library->store(noise(600))); }), SIGXFSZ);
    EXPECT_TRUE(testsupport::filesUnder(cacheFolder).empty());
}

TEST_F(CaptureLibraryTest, ALinkedCacheFolderIsReplacedNotFollowed) {
    fs::create_directories(temp / "victim");
    std::ofstream(temp / "victim" / "old") << "keep";
    fs::last_write_time(temp / "victim" / "old", std::chrono::file_clock::now() - 48h);
    fs::permissions(temp / "victim", fs::perms(0755));
    fs::create_directories(cacheFolder.parent_path());
    fs::create_directory_symlink(temp / "victim", cacheFolder);

    library->purgeExpired();
    const Capture capture = await(library->store(fakes::image(8, 8)));
    EXPECT_TRUE(logged("cache folder link replaced path=" + cacheFolder.string()));
    EXPECT_FALSE(fs::is_symlink(cacheFolder));
    EXPECT_EQ(capture.fileURL.parent_path().parent_path(), cacheFolder);
    EXPECT_EQ(mode(cacheFolder), 0700u);
    EXPECT_EQ(readFile(temp / "victim" / "old"), "keep");
    EXPECT_EQ(mode(temp / "victim"), 0755u);
    EXPECT_EQ(std::distance(fs::directory_iterator(temp / "victim"), {}), 1);
}

// Numbering a taken name is the namer's and the save rule's (tests/kit).
TEST_F(CaptureLibraryTest, SaveMovesTheFileAndEmptiesTheCache) {
    const Capture capture = await(library->store(fakes::image(16, 16)));
    const std::string bytes = readFile(capture.fileURL);

    const kit::SaveResult result = library->save(capture);
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(result.value(), saveFolder / savedName(capture));
    EXPECT_EQ(readFile(result.value()), bytes);
    EXPECT_FALSE(fs::exists(capture.fileURL.parent_path()));
    EXPECT_TRUE(logged("saved file=" + savedName(capture).string()));
}

TEST_F(CaptureLibraryTest, TheDesktopFolderIsMadeAtTheFirstSaveButAChosenFolderNever) {
    testsupport::ScopedEnv home{"HOME", (temp / "home").string()};
    testsupport::ScopedEnv config{"XDG_CONFIG_HOME", (temp / "home" / ".config").string()};
    AppSettings fresh{std::make_unique<SettingsStore>(temp / "fresh" / "settings.json")};
    CaptureLibrary library(fresh, std::make_unique<DiskFileSystem>(), cacheFolder);
    const kit::SaveResult result = library.save(library.storeNow(fakes::image(16, 16)));
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(result.value().parent_path(), temp / "home" / "Desktop");

    fresh.setSaveFolder(temp / "gone");
    const kit::SaveResult refused = library.save(library.storeNow(fakes::image(16, 16)));
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().reason(), "The save folder doesn't exist.");
    EXPECT_FALSE(fs::exists(temp / "gone"));
}

TEST_F(CaptureLibraryTest, DiscardRemovesOnlyTheCachesOwnFolders) {
    const Capture capture = await(library->store(fakes::image(8, 8)));
    library->discard(capture);
    EXPECT_FALSE(fs::exists(capture.fileURL.parent_path()));
    EXPECT_TRUE(logged("discarded file=" + capture.fileURL.filename().string()));

    fs::create_directories(temp / "victim");
    std::ofstream(temp / "victim" / "keep.png") << "keep";
    std::ofstream(saveFolder / "saved.png") << "saved";
    fs::create_directory_symlink(temp / "victim", cacheFolder / "LINK");
    fs::create_directory_symlink(cacheFolder, temp / "alias");
    const Capture kept = await(library->store(fakes::image(8, 8)));
    fs::create_directory_symlink(temp / "victim", temp / "outside");

    const fs::path outside[] = {
        saveFolder / "saved.png",                    // a saved file
        cacheFolder / "LINK" / "keep.png",           // a link planted in the cache
        temp / "outside" / "keep.png",               // a link from elsewhere
        cacheFolder / ".." / "keep.png",             // the cache's own parent
        cacheFolder / "keep.png",                    // the cache itself
    };
    for (const auto& path : outside) {
        logs.clear();
        library->discard(Capture{.fileURL = path});
        EXPECT_TRUE(logged("discard refused: file is outside the cache folder")) << path;
    }
    EXPECT_EQ(readFile(temp / "victim" / "keep.png"), "keep");
    EXPECT_EQ(readFile(saveFolder / "saved.png"), "saved");
    EXPECT_TRUE(fs::exists(kept.fileURL));

    // Reaching a real capture folder through a link to the cache is still the cache.
    library->discard(Capture{.fileURL = temp / "alias" / kept.fileURL.parent_path().filename() / "x.png"});
    EXPECT_FALSE(fs::exists(kept.fileURL));
}

// Where the day's limit lies is the kit's rule; here which entries the purge reads and when.
TEST_F(CaptureLibraryTest, PurgeRemovesOldEntriesByModificationTimeWithoutBirthTimeAtOnceThenHourly) {
    auto missing = makeLibrary(temp / "not yet");
    missing->purgeExpired();
    EXPECT_TRUE(logs.messages("library").empty());

    // ramfs records no birth time.
    testsupport::ScopedMount mount(cacheFolder, "ramfs", "ramfs");
    REQUIRE_MOUNTED(mount);
    const auto now = std::chrono::system_clock::now();
    for (const char* name : {"old", "fresh"}) {
        fs::create_directory(cacheFolder / name);
        std::ofstream(cacheFolder / name / "a.png") << "x";
    }
    std::ofstream(cacheFolder / "stray") << "x";
    fs::last_write_time(cacheFolder / "old", std::chrono::file_clock::from_sys(now - 25h));
    fs::last_write_time(cacheFolder / "fresh", std::chrono::file_clock::from_sys(now - 10s));
    fs::last_write_time(cacheFolder / "stray", std::chrono::file_clock::from_sys(now - 48h));

    library->startPurging();
    EXPECT_FALSE(fs::exists(cacheFolder / "old"));
    EXPECT_FALSE(fs::exists(cacheFolder / "stray"));
    EXPECT_TRUE(fs::exists(cacheFolder / "fresh"));
    EXPECT_EQ(logs.messages("library"), std::vector<std::string>{"purged count=2"});
    EXPECT_TRUE(library->findChild<QTimer*>()->isActive()) << "then hourly";

    logs.clear();
    library->purgeExpired(now);
    EXPECT_TRUE(logs.messages("library").empty());
}

TEST_F(CaptureLibraryTest, CopyOffersAPictureAndItsFileButAMovieOnlyAsAFile) {
    const Capture capture = await(library->store(fakes::image(20, 10)));
    library->copy(capture);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(capture.fileURL.string()));
    EXPECT_TRUE(data->hasImage());
    EXPECT_EQ(qvariant_cast<QImage>(data->imageData()).size(), QSize(20, 10));
    EXPECT_EQ(data->urls(), QList<QUrl>{url});
    EXPECT_EQ(data->data("x-special/gnome-copied-files"), "copy\n" + url.toEncoded());

    const fs::path movie = capture.fileURL.parent_path() / "clip.mp4";
    fs::copy_file(capture.fileURL, movie);
    library->copy(Capture{.fileURL = movie, .kind = kit::CaptureKind::video});
    data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_FALSE(data->hasImage());
    EXPECT_EQ(data->urls(), QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(movie.string()))});
}

} // namespace
