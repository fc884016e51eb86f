#include "app/base/Log.h"

#include <systemd/sd-journal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// The one process-wide registry: sinks register themselves for their lifetime. Records are
// delivered under the lock, so a sink is never written to while it is being destroyed.
struct SinkRegistry {
    std::mutex mutex;
    std::vector<LogSink*> sinks;
};

SinkRegistry& registry() {
    static SinkRegistry instance;
    return instance;
}

int journalPriority(LogLevel level) {
    switch (level) {
    case LogLevel::debug: return 7;
    case LogLevel::info: return 6;
    case LogLevel::notice: return 5;
    case LogLevel::error: return 3;
    }
    return 5;
}

// The journal library drops lines silently when its socket is missing, so look for it first.
bool journalAvailable() {
    static const bool available = access("/run/systemd/journal/socket", W_OK) == 0;
    return available;
}

// Set by tests that read a running Glimpo's lines: every line also goes to standard error.
bool mirrorToStderr() {
    static const bool mirror = [] {
        const char* value = std::getenv("GLIMPO_LOG_STDERR");
        return value != nullptr && *value != '\0';
    }();
    return mirror;
}

bool debugToStderr() {
    const char* value = std::getenv("GLIMPO_DEBUG");
    return value != nullptr && *value != '\0';
}

bool sendToJournal(const std::string& category, LogLevel level, const std::string& message) {
    if (!journalAvailable()) return false;
    return sd_journal_send("MESSAGE=%s", message.c_str(),
                           "PRIORITY=%d", journalPriority(level),
                           "SYSLOG_IDENTIFIER=glimpo",
                           "GLIMPO_SUBSYSTEM=%.*s", static_cast<int>(Log::subsystem.size()), Log::subsystem.data(),
                           "GLIMPO_CATEGORY=%s", category.c_str(),
                           nullptr) >= 0;
}

void writeToStderr(const std::string& category, const std::string& message) {
    // One call per line keeps lines from different threads whole.
    const std::string line = fmt::format("glimpo[{}] {}\n", category, message);
    std::fwrite(line.data(), 1, line.size(), stderr);
}

} // namespace

Logger::Logger(std::string category) : category_(std::move(category)) {}

void Logger::write(LogLevel level, std::string message) const {
    const bool journaled = sendToJournal(category_, level, message);
    if ((!journaled || mirrorToStderr()) && (level != LogLevel::debug || debugToStderr())) {
        writeToStderr(category_, message);
    }

    auto& sinks = registry();
    std::lock_guard lock(sinks.mutex);
    if (sinks.sinks.empty()) return;
    const LogRecord record{category_, level, std::move(message)};
    for (LogSink* sink : sinks.sinks) sink->write(record);
}

MemoryLogSink::MemoryLogSink() {
    auto& sinks = registry();
    std::lock_guard lock(sinks.mutex);
    sinks.sinks.push_back(this);
}

MemoryLogSink::~MemoryLogSink() {
    auto& sinks = registry();
    std::lock_guard lock(sinks.mutex);
    std::erase(sinks.sinks, this);
}

void MemoryLogSink::write(const LogRecord& record) {
    std::lock_guard lock(mutex_);
    records_.push_back(record);
}

std::vector<LogRecord> MemoryLogSink::records() const {
    std::lock_guard lock(mutex_);
    return records_;
}

std::vector<std::string> MemoryLogSink::messages(std::string_view category) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> result;
    for (const auto& record : records_) {
        if (record.category == category) result.push_back(record.message);
    }
    return result;
}

bool MemoryLogSink::contains(std::string_view category, std::string_view message) const {
    std::lock_guard lock(mutex_);
    return std::any_of(records_.begin(), records_.end(), [&](const LogRecord& record) {
        return record.category == category && record.message == message;
    });
}

void MemoryLogSink::clear() {
    std::lock_guard lock(mutex_);
    records_.clear();
}
