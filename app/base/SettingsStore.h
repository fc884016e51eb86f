#pragma once
// The user defaults store: one JSON object in one file, rewritten whole and atomically on every
// write (through a link to its target, in the target's folder). Only a regular file is read, and
// nothing is written that could not be read back. Registered defaults are read-time fallbacks
// and are never written. Main thread only.

#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

class SettingsStore {
public:
    // Loads the file, first removing temporary files that a crash during a write left. A missing
    // file is an empty store; an unreadable one (a FIFO or device too) is renamed aside (never
    // deleted), logged, and the store starts empty.
    explicit SettingsStore(std::filesystem::path file);
    // Two stores over one file would overwrite each other's writes.
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // $XDG_CONFIG_HOME (default ~/.config)/org.glimpo.Glimpo/settings.json
    static std::filesystem::path standardPath();

    // Merges an object of key -> value into the fallbacks; anything but an object is ignored.
    void registerDefaults(const nlohmann::json& defaults);

    // Whether the file holds the key (registered defaults do not count).
    bool contains(std::string_view key) const;
    // A missing or wrongly typed value reads as the registered default of that type, else as
    // false, 0 or nothing.
    bool boolValue(std::string_view key) const;
    double doubleValue(std::string_view key) const;
    std::optional<std::string> stringValue(std::string_view key) const;

    // Each write changes the value in memory and then rewrites the file; a failed write (a
    // read-only file included) is logged and the value stays changed in memory.
    void setBool(std::string_view key, bool value);
    void setDouble(std::string_view key, double value);
    void setString(std::string_view key, std::string value);
    void remove(std::string_view key);

    const std::filesystem::path& file() const { return file_; }

private:
    void load();
    void keepAside(const std::string& reason);
    void save() const;
    const nlohmann::json* find(std::string_view key) const;
    const nlohmann::json* findDefault(std::string_view key) const;

    std::filesystem::path file_;
    nlohmann::json values_ = nlohmann::json::object();
    nlohmann::json registered_ = nlohmann::json::object();
    // False while an unreadable file could not be moved aside: writing would destroy it.
    bool writable_ = true;
};
