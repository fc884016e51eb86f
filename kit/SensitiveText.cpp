#include "kit/SensitiveText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

namespace kit::SensitiveText {

namespace {

constexpr std::size_t tokenLength = 16;
constexpr int longNumberDigits = 7;
constexpr std::string_view leading = "([{<\"'`";
constexpr std::string_view trailing = ")]}>\"'`,;:.!?";
constexpr std::array<std::string_view, 10> secretLabels{"password", "passwort", "passwd", "pwd",    "pin",
                                                        "token",    "secret",   "apikey", "api-key", "otp"};
constexpr std::array<std::string_view, 12> tokenPrefixes{"sk-",   "sk_",   "pk_",  "rk_",  "ghp_", "gho_",
                                                         "ghs_",  "github_pat_", "xox", "AKIA", "AIza", "eyJ"};

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool isAlpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

std::string_view trimmed(std::string_view word) {
    while (!word.empty() && leading.find(word.front()) != std::string_view::npos) word.remove_prefix(1);
    while (!word.empty() && trailing.find(word.back()) != std::string_view::npos) word.remove_suffix(1);
    return word;
}

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

bool isEmail(std::string_view word) {
    const auto at = word.find('@');
    if (at == 0 || at == std::string_view::npos || word.find('@', at + 1) != std::string_view::npos) return false;
    const std::string_view local = word.substr(0, at), domain = word.substr(at + 1);
    const auto localChar = [](char c) { return isAlpha(c) || isDigit(c) || std::string_view("._%+-").find(c) != std::string_view::npos; };
    if (!std::all_of(local.begin(), local.end(), localChar)) return false;
    const auto dot = domain.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || domain.size() - dot - 1 < 2) return false;
    const std::string_view top = domain.substr(dot + 1);
    if (!std::all_of(top.begin(), top.end(), isAlpha)) return false;
    return std::all_of(domain.begin(), domain.end(), [](char c) { return isAlpha(c) || isDigit(c) || c == '.' || c == '-'; });
}

// Dates and times are numbers nobody hides: 2026-03-05, 5.3.2026, 09.07.03.
bool looksLikeDate(std::string_view word) {
    std::vector<std::size_t> groups{0};
    for (const char c : word) {
        if (isDigit(c)) {
            ++groups.back();
        } else if (c == '-' || c == '.' || c == '/') {
            groups.push_back(0);
        } else {
            return false;
        }
    }
    if (groups.size() != 3) return false;
    const bool yearFirst = groups[0] == 4 && groups[1] <= 2 && groups[2] <= 2;
    const bool yearLast = groups[0] <= 2 && groups[1] <= 2 && (groups[2] == 2 || groups[2] == 4);
    return std::all_of(groups.begin(), groups.end(), [](std::size_t g) { return g > 0; }) && (yearFirst || yearLast);
}

// Digits with the marks numbers are written with; the count of digits, or -1 when it is no such
// piece.
int numberDigits(std::string_view word) {
    if (word.empty() || looksLikeDate(word)) return -1;
    int digits = 0;
    for (const char c : word) {
        if (isDigit(c)) {
            ++digits;
        } else if (std::string_view("+-./()").find(c) == std::string_view::npos) {
            return -1;
        }
    }
    return digits > 0 ? digits : -1;
}

bool isToken(std::string_view word) {
    if (word.size() < tokenLength / 2) return false;
    for (const std::string_view prefix : tokenPrefixes) {
        if (word.size() >= 12 && word.substr(0, prefix.size()) == prefix) return true;
    }
    if (word.size() < tokenLength) return false;
    int digits = 0, upper = 0, lower = 0, hex = 0, other = 0;
    for (const char c : word) {
        if (isDigit(c)) ++digits;
        else if (std::isupper(static_cast<unsigned char>(c))) ++upper;
        else if (std::islower(static_cast<unsigned char>(c))) ++lower;
        else if (std::string_view("_-+/=~:").find(c) == std::string_view::npos) return false;
        if (std::isxdigit(static_cast<unsigned char>(c))) ++hex;
        else if (!isAlpha(c) && !isDigit(c)) ++other;
    }
    if (digits == 0 || upper + lower == 0) return false;
    // Hashes and identifiers: hexadecimal throughout (dashes of a UUID aside).
    if (hex + other == static_cast<int>(word.size()) && hex >= static_cast<int>(tokenLength)) return true;
    // Random keys mix both cases with digits; names of things rarely hold that many digits.
    return upper > 0 && lower > 0 && digits * 10 >= static_cast<int>(word.size());
}

bool isSecretLabel(std::string_view word) {
    std::string label = lowered(word);
    while (!label.empty() && (label.back() == ':' || label.back() == '=')) label.pop_back();
    return std::find(secretLabels.begin(), secretLabels.end(), label) != secretLabels.end() &&
           (word.back() == ':' || word.back() == '=');
}

Rect united(const Rect& a, const Rect& b) {
    const double left = std::min(a.minX(), b.minX()), top = std::min(a.minY(), b.minY());
    return Rect::make(left, top, std::max(a.maxX(), b.maxX()) - left, std::max(a.maxY(), b.maxY()) - top);
}

Rect padded(const Rect& box, double lineHeight) {
    const double pad = std::max(2.0, std::ceil(0.15 * lineHeight));
    return box.insetBy(-pad, -pad);
}

} // namespace

Kind classify(std::string_view word) {
    const std::string_view core = trimmed(word);
    if (core.empty()) return Kind::line;
    if (isEmail(core)) return Kind::email;
    if (numberDigits(core) >= longNumberDigits) return Kind::number;
    if (isToken(core)) return Kind::token;
    return Kind::line;
}

std::vector<Candidate> candidates(const std::vector<TextLine>& lines) {
    std::vector<Candidate> offered;
    std::vector<Candidate> words;
    for (const TextLine& line : lines) {
        if (line.box.isEmpty()) continue;
        const double height = line.box.height();
        std::vector<Candidate> found;
        // A run of number pieces, as a card or phone number is written in groups.
        std::size_t runStart = 0;
        int runDigits = 0;
        const auto closeRun = [&](std::size_t end) {
            if (runDigits >= longNumberDigits) {
                Rect box = line.words[runStart].box;
                std::string text = line.words[runStart].text;
                for (std::size_t i = runStart + 1; i < end; ++i) {
                    box = united(box, line.words[i].box);
                    text += " " + line.words[i].text;
                }
                found.push_back({padded(box, height), Kind::number, true, text});
            }
            runDigits = 0;
        };
        for (std::size_t i = 0; i < line.words.size(); ++i) {
            const TextWord& word = line.words[i];
            const bool afterLabel = i > 0 && isSecretLabel(line.words[i - 1].text);
            const int digits = numberDigits(trimmed(word.text));
            if (digits > 0 && !afterLabel) {
                if (runDigits == 0) runStart = i;
                runDigits += digits;
                continue;
            }
            closeRun(i);
            Kind kind = classify(word.text);
            if (afterLabel && (kind == Kind::line || kind == Kind::number)) kind = Kind::secret;
            if (kind != Kind::line && kind != Kind::number) found.push_back({padded(word.box, height), kind, true, word.text});
        }
        closeRun(line.words.size());

        const Rect lineBox = padded(line.box, height);
        const bool lineIsOneRun = found.size() == 1 && found.front().box.minX() <= lineBox.minX() + height &&
                                  found.front().box.maxX() >= lineBox.maxX() - height;
        if (!lineIsOneRun) offered.push_back({lineBox, Kind::line, false, line.text});
        words.insert(words.end(), found.begin(), found.end());
    }
    offered.insert(offered.end(), words.begin(), words.end());
    return offered;
}

} // namespace kit::SensitiveText
