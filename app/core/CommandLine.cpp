#include "app/core/CommandLine.h"

#include <array>
#include <cctype>
#include <string>
#include <system_error>
#include <utility>

namespace CommandLine {

namespace {

struct Option {
    std::string_view flag;
    Request request;
    std::string_view help;
};

constexpr std::array<Option, 9> options{{
    {"--area", Request::area, "Capture a dragged area (Space picks a window)"},
    {"--window", Request::window, "Capture one window"},
    {"--fullscreen", Request::fullscreen, "Capture the whole display under the pointer"},
    {"--scroll", Request::scroll, "Capture a dragged area as it scrolls, taller than the screen"},
    {"--record", Request::record, "Start recording the screen, or stop the recording that runs"},
    {"--text", Request::text, "Copy the text of a dragged area"},
    {"--bar", Request::bar, "Open or close the all-in-one bar"},
    {"--settings", Request::settings, "Open the settings window"},
    {"--quit", Request::quit, "Quit the running Glimpo"},
}};

constexpr std::array<std::pair<Request, std::string_view>, 11> words{{
    {Request::reopen, "reopen"},
    {Request::area, "area"},
    {Request::window, "window"},
    {Request::fullscreen, "fullscreen"},
    {Request::record, "record"},
    {Request::text, "text"},
    {Request::bar, "bar"},
    {Request::settings, "settings"},
    {Request::quit, "quit"},
    {Request::scroll, "scroll"},
    {Request::edit, "edit"},
}};

constexpr std::string_view editFlag = "--edit";

// Letters, digits and -._~/ stand as they are; every other byte as %XX.
std::string percentEncoded(const std::string& text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || std::string_view("-._~/").find(static_cast<char>(c)) != std::string_view::npos) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    return out;
}

std::optional<std::string> percentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            return std::nullopt;
        }
        out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
        i += 2;
    }
    return out;
}

} // namespace

std::string_view word(Request request) {
    for (const auto& [r, w] : words)
        if (r == request) return w;
    return "reopen";
}

std::optional<Request> fromWord(std::string_view text) {
    for (const auto& [r, w] : words)
        if (w == text) return r;
    return std::nullopt;
}

std::string usage() {
    std::string text =
        "Usage: glimpo [OPTION]\n"
        "       glimpo [--edit] FILE\n"
        "Capture, record and read the screen from the system tray.\n"
        "Without an option Glimpo starts in the tray, or opens the settings of the one running.\n"
        "An action is carried out by the running Glimpo, which starts first when none runs.\n\n";
    for (const Option& option : options) {
        text += "  " + std::string(option.flag);
        text.append(14 - option.flag.size(), ' ');
        text += std::string(option.help) + "\n";
    }
    text += "  --edit FILE   Mark up a PNG or JPEG picture (the file alone does the same)\n";
    text += "  -h, --help    Show this help and exit\n"
            "  -v, --version Show the version and exit\n";
    return text;
}

Parsed parse(int argc, const char* const* argv) {
    Parsed parsed;
    std::optional<Request> chosen;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            parsed.output = usage();
            return parsed;
        }
        if (arg == "-v" || arg == "--version") {
            parsed.output = "Glimpo " GLIMPO_VERSION "\n";
            return parsed;
        }
        std::optional<Request> request;
        for (const Option& option : options)
            if (option.flag == arg) request = option.request;
        const bool flagged = arg == editFlag;
        if (flagged || (!arg.empty() && arg.front() != '-')) {
            if (flagged && ++i == argc) {
                parsed.error = "glimpo: --edit needs a picture file\n\n" + usage();
                parsed.exitStatus = 2;
                return parsed;
            }
            std::error_code ignored;
            const std::filesystem::path file = std::filesystem::absolute(argv[i], ignored).lexically_normal();
            if (parsed.file && *parsed.file != file) {
                parsed.error = "glimpo: give one picture at a time\n\n" + usage();
                parsed.exitStatus = 2;
                return parsed;
            }
            request = Request::edit;
            parsed.file = file;
        }
        if (!request) {
            parsed.error = "glimpo: unknown option '" + std::string(arg) + "'\n\n" + usage();
            parsed.exitStatus = 2;
            return parsed;
        }
        if (chosen && *chosen != *request) {
            parsed.error = "glimpo: give one action at a time\n\n" + usage();
            parsed.exitStatus = 2;
            return parsed;
        }
        chosen = request;
    }
    if (chosen) parsed.request = *chosen;
    return parsed;
}

std::string message(const Parsed& parsed) {
    std::string text(word(parsed.request));
    if (parsed.request == Request::edit && parsed.file) text += " " + percentEncoded(parsed.file->string());
    return text;
}

std::optional<Parsed> fromMessage(std::string_view message) {
    const auto space = message.find(' ');
    const auto request = fromWord(message.substr(0, space));
    // An edit names its file; nothing else names one.
    if (!request || (*request == Request::edit) == (space == std::string_view::npos)) return std::nullopt;
    Parsed parsed;
    parsed.request = *request;
    if (*request == Request::edit) {
        const auto path = percentDecoded(message.substr(space + 1));
        if (!path || path->empty() || path->front() != '/') return std::nullopt;
        parsed.file = std::filesystem::path(*path);
    }
    return parsed;
}

} // namespace CommandLine
