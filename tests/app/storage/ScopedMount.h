#pragma once
// A mount that is undone when the object goes, for tests of other file systems and full disks.
// Mounting needs root (CI runs as root): without root the test is skipped, saying so; a refusal
// to root fails it.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

// In a test body or SetUp: goes on only once the mount is there.
#define REQUIRE_MOUNTED(mount)                                                                      \
    do {                                                                                           \
        if ((mount).mounted()) break;                                                              \
        if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount a file system: " << (mount).failure(); \
        FAIL() << (mount).failure();                                                               \
    } while (false)

namespace testsupport {

class ScopedMount {
public:
    ScopedMount(const std::filesystem::path& target, const char* source, const char* type,
                const std::string& options = {})
        : target_(target) {
        std::filesystem::create_directories(target_);
        mounted_ = ::mount(source, target_.c_str(), type, 0, options.empty() ? nullptr : options.c_str()) == 0;
        if (!mounted_) failure_ = "mount at " + target_.string() + " failed: " + std::strerror(errno);
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
