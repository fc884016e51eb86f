#include "app/core/CommandLine.h"

#include <array>
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

constexpr std::array<std::pair<Request, std::string_view>, 10> words{{
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
}};

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
        "Capture, record and read the screen from the system tray.\n"
        "Without an option Glimpo starts in the tray, or opens the settings of the one running.\n"
        "An action is carried out by the running Glimpo, which starts first when none runs.\n\n";
    for (const Option& option : options) {
        text += "  " + std::string(option.flag);
        text.append(14 - option.flag.size(), ' ');
        text += std::string(option.help) + "\n";
    }
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

} // namespace CommandLine
