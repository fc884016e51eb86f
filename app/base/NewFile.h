#pragma once
// Glimpo's one way to write a file: it appears in its folder under its final name only when it
// is whole. It is written unnamed (O_TMPFILE), or where the file system cannot do that (or an old
// file is to be replaced) as a hidden temporary beside the final name, then flushed and linked
// in under the name: beside what is there (captures, saved copies), or atomically in its place
// (settings, the autostart entry). A file that is dropped, or whose process dies, leaves nothing
// behind (a hidden temporary survives only a crash).

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

class NewFile {
public:
    enum class Publishing {
        // publish() fails with EEXIST when the name is taken.
        besideExisting,
        // publish() atomically replaces a file of that name.
        replacingExisting,
    };

    // The file gets `mode` less the umask, or exactly `mode` when `exactMode`. Check error().
    NewFile(std::filesystem::path folder, std::string name, mode_t mode, bool exactMode,
            Publishing publishing = Publishing::besideExisting);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // 0, or the errno of creating the file.
    int error() const { return error_; }
    int fd() const { return fd_; }

    // Writes all of `bytes`; 0 or an errno value.
    int write(std::string_view bytes);

    // Flushes the contents and gives the file its name. Returns 0 or an errno value; on failure
    // the name keeps what it had.
    int publish();

    std::filesystem::path path() const { return folder_ / name_; }

    // The hidden temporary's name for a final name, as a crash may leave it: the name, a dot
    // before it and six random characters after another.
    static bool isTemporaryOf(std::string_view candidate, std::string_view name);

    // The process's umask, read without changing it.
    static mode_t currentUmask();

    // Renames without ever replacing an existing file. Returns 0 or an errno value.
    static int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

private:
    std::filesystem::path folder_;
    std::string name_;
    Publishing publishing_;
    // Set while the contents sit in a named temporary.
    std::filesystem::path temporary_;
    int fd_ = -1;
    int error_ = 0;
};
