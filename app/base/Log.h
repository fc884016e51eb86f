#pragma once
// Logging: one Logger per component category, lines written to the systemd journal (standard
// error when no journal answers). Tests install a MemoryLogSink to read the lines back.

#include <fmt/format.h>

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace Log {
// The bundle identifier names the subsystem of every logger.
inline constexpr std::string_view subsystem = "org.glimpo.Glimpo";
} // namespace Log

enum class LogLevel { debug, info, notice, error };

struct LogRecord {
    std::string category;
    LogLevel level;
    std::string message;
};

class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void write(const LogRecord& record) = 0;
};

class Logger {
public:
    explicit Logger(std::string category);

    const std::string& category() const { return category_; }

    template <class... A> void debug(fmt::format_string<A...> f, A&&... a) const {
        write(LogLevel::debug, fmt::format(f, std::forward<A>(a)...));
    }
    template <class... A> void info(fmt::format_string<A...> f, A&&... a) const {
        write(LogLevel::info, fmt::format(f, std::forward<A>(a)...));
    }
    // The "default" level: refusals and ignored requests.
    template <class... A> void notice(fmt::format_string<A...> f, A&&... a) const {
        write(LogLevel::notice, fmt::format(f, std::forward<A>(a)...));
    }
    template <class... A> void error(fmt::format_string<A...> f, A&&... a) const {
        write(LogLevel::error, fmt::format(f, std::forward<A>(a)...));
    }

    void write(LogLevel level, std::string message) const;

private:
    std::string category_;
};

// Collects every line written while it is alive (and still forwards them to the journal).
// Thread-safe: the recording writer and recognition threads log too.
class MemoryLogSink : public LogSink {
public:
    MemoryLogSink();
    ~MemoryLogSink() override;
    MemoryLogSink(const MemoryLogSink&) = delete;
    MemoryLogSink& operator=(const MemoryLogSink&) = delete;

    void write(const LogRecord& record) override;

    std::vector<LogRecord> records() const;
    // Messages of one category, in order.
    std::vector<std::string> messages(std::string_view category) const;
    bool contains(std::string_view category, std::string_view message) const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<LogRecord> records_;
};
