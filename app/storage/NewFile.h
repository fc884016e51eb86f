#pragma once
// A file that appears in its folder under its final name only when it is whole: it is written
// unnamed (O_TMPFILE), or where the file system cannot do that as a hidden temporary beside the
// final name, then flushed and linked in under the name without replacing anything there. A file
// that is dropped, or whose process dies, leaves nothing behind (a hidden temporary survives
// only a crash on a file system without unnamed files).

#include <sys/types.h>

#include <filesystem>
#include <string>

class NewFile {
public:
    // The file gets `mode` less the umask, or exactly `mode` when `exactMode`. Check error().
    NewFile(std::filesystem::path folder, std::string name, mode_t mode, bool exactMode);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // 0, or the errno of creating the file.
    int error() const { return error_; }
    int fd() const { return fd_; }

    // Flushes the contents and gives the file its name; EEXIST when the name is taken. Returns 0
    // or an errno value; on failure nothing stays under the name.
    int publish();

    std::filesystem::path path() const { return folder_ / name_; }

    // The process's umask, read without changing it.
    static mode_t currentUmask();

private:
    std::filesystem::path folder_;
    std::string name_;
    // Set while the contents sit in a named temporary.
    std::filesystem::path temporary_;
    int fd_ = -1;
    int error_ = 0;
};
