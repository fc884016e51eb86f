#pragma once
// A mount that is undone when the object goes, for tests of other file systems and full disks. Mounting needs root (CI runs as root); a refusal is reported, never skipped.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include <sys/mount.h>

namespace testsupport {

class ScopedMount {
public:
    ScopedMount(const std::filesystem::path& target, const char* source, const char* type,
                unsigned long flags = 0, const std::string& options = {})
        : target_(target) {
        std::filesystem::create_directories(target_);
        if (::mount(source, target_.c_str(), type, flags, options.empty() ? nullptr : options.c_str()) == 0) {
            mounted_ = true;
        } else {
            note("mount", errno);
        }
    }
    ~ScopedMount() {
        if (mounted_ && ::umount2(target_.c_str(), 0) != 0) ::umount2(target_.c_str(), MNT_DETACH);
    }
    ScopedMount(const ScopedMount&) = delete;
    ScopedMount& operator=(const ScopedMount&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& failure() const { return failure_; }

private:
    void note(const char* step, int error) {
        failure_ = std::string(step) + " at " + target_.string() + " failed: " + std::strerror(error) +
                   " (these tests need root, as in CI)";
    }

    std::filesystem::path target_;
    bool mounted_ = false;
    std::string failure_;
};

} // namespace testsupport
