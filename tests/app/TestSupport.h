#pragma once
// Helpers for application tests: spinning the Qt event loop, awaiting tasks and their errors,
// running programs, private temporary folders and what they hold, files read and written whole, and environment
// overrides that undo themselves.

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>
#include <qcoro/qcorotask.h>
#include <QDeadlineTimer>
#include <QEvent>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <type_traits>

#include <sys/stat.h>

namespace testsupport {

// Delivers every event posted so far, deferred deletions included.
inline void processEvents() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Spins the event loop until condition holds or ms pass; returns the condition's last answer.
inline bool waitUntil(const std::function<bool()>& condition, int ms = 2000) {
    QDeadlineTimer deadline(ms);
    // Sleeps between looks rather than spinning: a spinning main thread starves the workers it
    // waits for on a busy machine.
    QTimer look;
    look.setTimerType(Qt::PreciseTimer);
    look.start(1);
    while (!condition()) {
        if (deadline.hasExpired()) return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

// Runs a task to its end on the event loop and gives its value, or rethrows its error.
template <class T> T await(QCoro::Task<T> task, int ms = 5000) {
    std::optional<std::conditional_t<std::is_void_v<T>, bool, T>> value;
    std::exception_ptr failure;
    auto runner = [&]() -> QCoro::Task<void> {
        try {
            if constexpr (std::is_void_v<T>) {
                co_await std::move(task);
                value = true;
            } else {
                value = co_await std::move(task);
            }
        } catch (...) {
            failure = std::current_exception();
        }
    };
    runner();
    waitUntil([&] { return value.has_value() || failure; }, ms);
    if (failure) std::rethrow_exception(failure);
    if (!value) throw std::runtime_error("the task did not finish");
    if constexpr (!std::is_void_v<T>) return std::move(*value);
}

// What the error of type E that `body` throws says, or "no error"; another error goes on.
template <class E = std::exception> std::string errorOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const E& error) {
        return error.what();
    }
    return "no error";
}

// Runs a program to its end and gives what it printed; throws when it fails or cannot start.
inline QString run(const QString& program, const QStringList& args, int ms = 60000) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(ms) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString error = QString::fromUtf8(process.readAllStandardError());
        throw std::runtime_error((program + " " + args.join(' ') + " failed: " + error).toStdString());
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A fresh folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "glimpo-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// A file's bytes, or "" when it cannot be read.
inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Writes the bytes as the whole file, making its folders first.
inline void writeFile(const std::filesystem::path& file, const std::string& bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

// Everything but folders under `folder`, however deep; links are not followed.
inline std::set<std::filesystem::path> filesUnder(const std::filesystem::path& folder) {
    std::set<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (!std::filesystem::is_directory(entry.symlink_status())) files.insert(entry.path());
    return files;
}

// The permission bits of the path itself, not of what a link names; 0 when it is missing.
inline unsigned mode(const std::filesystem::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Sets (or, with no value, unsets) an environment variable and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) old_ = old;
        apply(value);
    }
    ~ScopedEnv() { apply(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void apply(const std::optional<std::string>& value) {
        value ? setenv(name_.c_str(), value->c_str(), 1) : unsetenv(name_.c_str());
    }

    std::string name_;
    std::optional<std::string> old_;
};

} // namespace testsupport
