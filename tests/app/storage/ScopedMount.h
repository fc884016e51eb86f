#pragma once
// A mount that is undone when the object goes, for tests of other file systems and full disks.
// Mounting needs root (CI runs as root); a refusal is reported, never skipped.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include <sys/mount.h>

namespace testsupport {

class ScopedMount {
public:
    ScopedMount(const std::filesystem::path& target, const char* source, const char* type,
                const std::string& options = {})
        : target_(target) {
        std::filesystem::create_directories(target_);
        mounted_ = ::mount(source, target_.c_str(), type, 0, options.empty() ? nullptr : options.c_str()) == 0;
        if (!mounted_) failure_ = "mount at " + target_.string() + " failed: " + std::strerror(errno) + " (these tests need root, as in CI)";
    }
    ~ScopedMount() {
        if (mounted_ && ::umount2(target_.c_str(), 0) != 0) ::umount2(target_.c_str(), MNT_DETACH);
    }
    ScopedMount(const ScopedMount&) = delete;
    ScopedMount& operator=(const ScopedMount&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& failure() const { return failure_; }

private:
    std::filesystem::path target_;
    bool mounted_ = false;
    std::string failure_;
};

} // namespace testsupport
