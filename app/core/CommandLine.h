#pragma once
// Glimpo's command line: the actions a desktop's own shortcut or a script asks the running
// Glimpo for (started first when none runs), a delay before a capture, plus --help and --version,
// and a picture to mark up (--edit FILE, or the file alone, as a desktop's "Open With" gives it).
// Parsed before any window system is touched, so --help works without a display; it answers in
// the user's language.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

class Translations;

namespace CommandLine {

// What a launch asks of the running Glimpo; `reopen` is a launch without an action.
enum class Request { reopen, area, window, fullscreen, record, text, bar, settings, quit, edit, scroll };

// The word a request travels as between launches ("area"); parsing it back refuses anything else.
std::string_view word(Request request);
std::optional<Request> fromWord(std::string_view word);

// The longest wait --delay takes: an hour.
inline constexpr int maximumDelaySeconds = 3600;

// The actions that start Glimpo in the background when none runs, and return once handed over.
bool startsDetached(Request request);

struct Parsed {
    Request request = Request::reopen;
    // Seconds before the capture starts; only with an action that captures or records.
    int delaySeconds = 0;
    // The picture to edit, absolute.
    std::optional<std::filesystem::path> file;
    // Set when the launch ends here: the text for standard output (help, version) or standard
    // error (a refused option), and the exit status.
    std::optional<std::string> output;
    std::optional<std::string> error;
    int exitStatus = 0;
    bool finished() const { return output || error; }
};

Parsed parse(int argc, const char* const* argv, const Translations& texts);

// The request as it travels to the running Glimpo: its word, then for an edit a space and the
// file's path in percent-encoding (printable ASCII only), for a delayed capture a space and the
// seconds ("area 5").
std::string message(const Parsed& parsed);
// A message back as a request; nothing for anything else.
std::optional<Parsed> fromMessage(std::string_view message);

std::string usage(const Translations& texts);

} // namespace CommandLine
