#include "app/core/CommandLine.h"

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/base/Translations.h"

namespace CommandLine {

namespace {

struct Option {
    std::string_view flag;
    Request request;
    const char* help;
};

constexpr std::array<Option, 9> options{{
    {"--area", Request::area, QT_TRANSLATE_NOOP("CommandLine", "Capture a dragged area (Space picks a window)")},
    {"--window", Request::window, QT_TRANSLATE_NOOP("CommandLine", "Capture one window")},
    {"--fullscreen", Request::fullscreen,
     QT_TRANSLATE_NOOP("CommandLine", "Capture the whole display under the pointer")},
    {"--scroll", Request::scroll,
     QT_TRANSLATE_NOOP("CommandLine", "Capture a dragged area as it scrolls, taller than the screen")},
    {"--record", Request::record,
     QT_TRANSLATE_NOOP("CommandLine", "Start recording the screen, or stop the recording that runs")},
    {"--text", Request::text, QT_TRANSLATE_NOOP("CommandLine", "Copy the text of a dragged area")},
    {"--bar", Request::bar, QT_TRANSLATE_NOOP("CommandLine", "Open or close the all-in-one bar")},
    {"--settings", Request::settings, QT_TRANSLATE_NOOP("CommandLine", "Open the settings window")},
    {"--quit", Request::quit, QT_TRANSLATE_NOOP("CommandLine", "Quit the running Glimpo")},
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

bool takesDelay(Request request) {
    return request == Request::area || request == Request::window || request == Request::fullscreen ||
           request == Request::record;
}

std::optional<int> delayValue(std::string_view text) {
    int seconds = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (seconds < 0 || seconds > maximumDelaySeconds) return std::nullopt;
    return seconds;
}

std::string text(const QString& value) {
    return value.toStdString();
}

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

bool startsDetached(Request request) {
    return request != Request::reopen && request != Request::quit;
}

std::string usage(const Translations& texts) {
    const auto say = [&texts](const char* source) { return texts.text("CommandLine", source); };
    QString help = say(QT_TRANSLATE_NOOP("CommandLine",
                                        "Usage: glimpo [OPTION]\n"
                                        "       glimpo [--edit] FILE\n"
                                        "Capture, record and read the screen from the system tray.\n"
                                        "Without an option Glimpo starts in the tray, or opens the settings of the one "
                                        "running.\n"
                                        "An action is carried out by the running Glimpo, which starts first when none "
                                        "runs.\n"));
    std::vector<std::pair<QString, QString>> rows;
    for (const Option& option : options) rows.emplace_back(QString::fromLatin1(option.flag), say(option.help));
    //: The value --delay takes, in capitals as command lines write them.
    rows.emplace_back(QStringLiteral("--delay ") + say(QT_TRANSLATE_NOOP("CommandLine", "SECONDS")),
                      say(QT_TRANSLATE_NOOP("CommandLine", "Wait before --area, --window, --fullscreen or --record "
                                                          "(Escape cancels)")));
    //: The value --edit takes, in capitals as command lines write them.
    rows.emplace_back(QStringLiteral("--edit ") + say(QT_TRANSLATE_NOOP("CommandLine", "FILE")),
                      say(QT_TRANSLATE_NOOP("CommandLine", "Mark up a PNG or JPEG picture (the file alone does the same)")));
    rows.emplace_back(QStringLiteral("-h, --help"), say(QT_TRANSLATE_NOOP("CommandLine", "Show this help and exit")));
    rows.emplace_back(QStringLiteral("-v, --version"),
                      say(QT_TRANSLATE_NOOP("CommandLine", "Show the version and exit")));
    qsizetype width = 0;
    for (const auto& [flag, line] : rows) width = std::max(width, flag.size());
    help += QLatin1Char('\n');
    for (const auto& [flag, line] : rows) help += QStringLiteral("  %1  %2\n").arg(flag.leftJustified(width), line);
    return text(help);
}

Parsed parse(int argc, const char* const* argv, const Translations& texts) {
    const auto say = [&texts](const char* source) { return texts.text("CommandLine", source); };
    Parsed parsed;
    const auto refuse = [&](const QString& sentence) {
        parsed.error = "glimpo: " + text(sentence) + "\n\n" + usage(texts);
        parsed.exitStatus = 2;
        return parsed;
    };
    std::optional<Request> chosen;
    std::optional<int> delay;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            parsed.output = usage(texts);
            return parsed;
        }
        if (arg == "-v" || arg == "--version") {
            parsed.output = "Glimpo " GLIMPO_VERSION "\n";
            return parsed;
        }
        if (arg == "--delay" || arg.starts_with("--delay=")) {
            std::optional<std::string_view> value;
            if (arg != "--delay") {
                value = arg.substr(8);
            } else if (i + 1 < argc) {
                value = argv[++i];
            }
            if (!value) return refuse(say(QT_TRANSLATE_NOOP("CommandLine", "--delay needs a number of seconds")));
            delay = delayValue(*value);
            if (!delay) {
                return refuse(say(QT_TRANSLATE_NOOP("CommandLine", "--delay takes whole seconds from 0 to %1, not '%2'"))
                                  .arg(maximumDelaySeconds)
                                  .arg(QString::fromStdString(std::string(*value))));
            }
            continue;
        }
        std::optional<Request> request;
        for (const Option& option : options)
            if (option.flag == arg) request = option.request;
        const bool flagged = arg == editFlag;
        if (flagged || (!arg.empty() && arg.front() != '-')) {
            if (flagged && ++i == argc) return refuse(say(QT_TRANSLATE_NOOP("CommandLine", "--edit needs a picture file")));
            std::error_code ignored;
            const std::filesystem::path file = std::filesystem::absolute(argv[i], ignored).lexically_normal();
            if (parsed.file && *parsed.file != file) {
                return refuse(say(QT_TRANSLATE_NOOP("CommandLine", "give one picture at a time")));
            }
            request = Request::edit;
            parsed.file = file;
        }
        if (!request) {
            return refuse(say(QT_TRANSLATE_NOOP("CommandLine", "unknown option '%1'"))
                              .arg(QString::fromStdString(std::string(arg))));
        }
        if (chosen && *chosen != *request) {
            return refuse(say(QT_TRANSLATE_NOOP("CommandLine", "give one action at a time")));
        }
        chosen = request;
    }
    if (delay && !(chosen && takesDelay(*chosen))) {
        return refuse(say(QT_TRANSLATE_NOOP("CommandLine", "--delay goes with --area, --window, --fullscreen or --record")));
    }
    if (chosen) parsed.request = *chosen;
    parsed.delaySeconds = delay.value_or(0);
    return parsed;
}

std::string message(const Parsed& parsed) {
    std::string text(word(parsed.request));
    if (parsed.request == Request::edit && parsed.file) text += " " + percentEncoded(parsed.file->string());
    if (parsed.delaySeconds > 0) text += " " + std::to_string(parsed.delaySeconds);
    return text;
}

std::optional<Parsed> fromMessage(std::string_view message) {
    const auto space = message.find(' ');
    const auto request = fromWord(message.substr(0, space));
    // An edit names its file.
    if (!request || (*request == Request::edit && space == std::string_view::npos)) return std::nullopt;
    Parsed parsed;
    parsed.request = *request;
    if (*request == Request::edit) {
        const auto path = percentDecoded(message.substr(space + 1));
        if (!path || path->empty() || path->front() != '/') return std::nullopt;
        parsed.file = std::filesystem::path(*path);
    } else if (space != std::string_view::npos) {
        // A capture may carry its delay; nothing else carries anything.
        const auto delay = delayValue(message.substr(space + 1));
        if (!delay || !takesDelay(*request)) return std::nullopt;
        parsed.delaySeconds = *delay;
    }
    return parsed;
}

} // namespace CommandLine
