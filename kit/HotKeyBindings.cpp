#include "kit/HotKeyBindings.h"

#include <array>
#include <exception>
#include <limits>
#include <utility>

#include <locale.h>
#include <wctype.h>

#include <nlohmann/json.hpp>

#include "kit/Error.h"

namespace kit::HotKeyBindings {

ActiveBindings active(const HotKeyOverrides& overrides) {
    ActiveBindings bindings;
    for (const CaptureAction action : CaptureAction::allCases()) {
        const auto override = overrides.find(action);
        const std::optional<HotKeyCombination> inForce =
            override != overrides.end() ? override->second : action.defaultHotKey();
        if (inForce) bindings.emplace(action, *inForce);
    }
    return bindings;
}

std::string encode(const HotKeyOverrides& overrides) {
    auto object = nlohmann::json::object();
    for (const auto& [action, combination] : overrides) {
        auto stored = nlohmann::json::object();
        if (combination) stored["combination"] = toJson(*combination);
        object[std::string(action.rawValue())] = std::move(stored);
    }
    try {
        return object.dump();
    } catch (const nlohmann::json::exception&) {
        throw Error("A shortcut's label is not valid UTF-8 text.");
    }
}

namespace {

HotKeyOverrides decodeParsed(const nlohmann::json& json) {
    if (!json.is_object()) throw Error("The stored shortcuts are not a JSON object.");
    HotKeyOverrides overrides;
    for (const auto& [name, stored] : json.items()) {
        // Unknown names are checked too: the whole text must have the stored shape.
        if (!stored.is_object()) throw Error("A stored shortcut is not a JSON object.");
        std::optional<HotKeyCombination> combination;
        if (const auto found = stored.find("combination"); found != stored.end() && !found->is_null()) {
            combination = combinationFromJson(*found);
        }
        if (const auto action = CaptureAction::fromRawValue(name)) overrides[*action] = std::move(combination);
    }
    return overrides;
}

} // namespace

HotKeyOverrides decode(std::string_view data) {
    // Settings files can hold anything; only kit::Error may leave here.
    try {
        const auto json = nlohmann::json::parse(data.begin(), data.end(), nullptr, /*allow_exceptions=*/false);
        if (json.is_discarded()) throw Error("The stored shortcuts are not valid JSON.");
        return decodeParsed(json);
    } catch (const Error&) {
        throw;
    } catch (const std::exception&) {
        throw Error("The stored shortcuts couldn't be read.");
    }
}

namespace {

struct SpecialLabel {
    std::uint32_t keyCode;
    std::string_view label;
};

// Keys whose typed text is invisible, or that should read the same on every layout.
constexpr std::array<SpecialLabel, 26> specialLabels{{
    {49, "Space"}, {36, "↩"}, {48, "⇥"}, {51, "⌫"}, {117, "⌦"},
    {123, "←"}, {124, "→"}, {125, "↓"}, {126, "↑"},
    {115, "↖"}, {119, "↘"}, {116, "⇞"}, {121, "⇟"}, {53, "⎋"},
    {122, "F1"}, {120, "F2"}, {99, "F3"}, {118, "F4"}, {96, "F5"}, {97, "F6"},
    {98, "F7"}, {100, "F8"}, {101, "F9"}, {109, "F10"}, {103, "F11"}, {111, "F12"},
}};

} // namespace

std::optional<std::string_view> specialLabel(std::uint32_t keyCode) {
    for (const auto& special : specialLabels) {
        if (special.keyCode == keyCode) return special.label;
    }
    return std::nullopt;
}

std::string keyLabel(std::uint32_t keyCode, std::string_view layoutText) {
    if (const auto special = specialLabel(keyCode)) return std::string(*special);
    return uppercased(layoutText);
}

std::optional<HotKeyCombination> combination(std::uint32_t keyCode, std::uint64_t eventFlags,
                                             std::string_view layoutText) {
    if (!(eventFlags & (EventFlags::command | EventFlags::control))) return std::nullopt;
    std::string label = keyLabel(keyCode, layoutText);
    if (label.empty()) return std::nullopt;
    return HotKeyCombination{
        .keyCode = keyCode,
        .carbonModifiers = EventFlags::toCarbonModifiers(eventFlags),
        .keyLabel = std::move(label),
    };
}

HotKeyCombination relabel(HotKeyCombination stored, std::string_view layoutText) {
    // Layouts only know 16-bit key codes; a larger stored one would be relabelled from nonsense.
    if (stored.keyCode > std::numeric_limits<std::uint16_t>::max()) return stored;
    std::string label = keyLabel(stored.keyCode, layoutText);
    if (!label.empty()) stored.keyLabel = std::move(label);
    return stored;
}

namespace {

constexpr char32_t replacementCharacter = 0xFFFD;

// One code point from `pos`, advancing past it. Malformed input yields U+FFFD and skips the
// longest prefix that could have begun a valid sequence, so a lone bad byte costs one character.
char32_t decodeUtf8(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) return lead;

    int continuationCount = 0;
    char32_t codePoint = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuationCount = 1;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuationCount = 2;
        codePoint = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;  // overlong
        if (lead == 0xED) high = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuationCount = 3;
        codePoint = lead & 0x07;
        if (lead == 0xF0) low = 0x90;  // overlong
        if (lead == 0xF4) high = 0x8F; // beyond U+10FFFF
    } else {
        return replacementCharacter;
    }
    for (int i = 0; i < continuationCount; ++i) {
        if (pos >= text.size()) return replacementCharacter;
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte < low || byte > high) return replacementCharacter;
        codePoint = (codePoint << 6) | (byte & 0x3F);
        ++pos;
        low = 0x80;
        high = 0xBF;
    }
    return codePoint;
}

void appendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

struct FullUpper {
    char32_t from;
    std::array<char32_t, 3> to; // zero-padded
};

// Letters whose upper case is more than one character; the C library maps one to one only.
constexpr std::array<FullUpper, 54> fullUppers{{
    {0x00DF, {0x0053, 0x0053}},         {0x0149, {0x02BC, 0x004E}},         {0x01F0, {0x004A, 0x030C}},
    {0x0390, {0x0399, 0x0308, 0x0301}}, {0x03B0, {0x03A5, 0x0308, 0x0301}}, {0x0587, {0x0535, 0x0552}},
    {0x1E96, {0x0048, 0x0331}},         {0x1E97, {0x0054, 0x0308}},         {0x1E98, {0x0057, 0x030A}},
    {0x1E99, {0x0059, 0x030A}},         {0x1E9A, {0x0041, 0x02BE}},         {0x1F50, {0x03A5, 0x0313}},
    {0x1F52, {0x03A5, 0x0313, 0x0300}}, {0x1F54, {0x03A5, 0x0313, 0x0301}}, {0x1F56, {0x03A5, 0x0313, 0x0342}},
    {0x1FB2, {0x1FBA, 0x0399}},         {0x1FB3, {0x0391, 0x0399}},         {0x1FB4, {0x0386, 0x0399}},
    {0x1FB6, {0x0391, 0x0342}},         {0x1FB7, {0x0391, 0x0342, 0x0399}}, {0x1FBC, {0x0391, 0x0399}},
    {0x1FC2, {0x1FCA, 0x0399}},         {0x1FC3, {0x0397, 0x0399}},         {0x1FC4, {0x0389, 0x0399}},
    {0x1FC6, {0x0397, 0x0342}},         {0x1FC7, {0x0397, 0x0342, 0x0399}}, {0x1FCC, {0x0397, 0x0399}},
    {0x1FD2, {0x0399, 0x0308, 0x0300}}, {0x1FD3, {0x0399, 0x0308, 0x0301}}, {0x1FD6, {0x0399, 0x0342}},
    {0x1FD7, {0x0399, 0x0308, 0x0342}}, {0x1FE2, {0x03A5, 0x0308, 0x0300}}, {0x1FE3, {0x03A5, 0x0308, 0x0301}},
    {0x1FE4, {0x03A1, 0x0313}},         {0x1FE6, {0x03A5, 0x0342}},         {0x1FE7, {0x03A5, 0x0308, 0x0342}},
    {0x1FF2, {0x1FFA, 0x0399}},         {0x1FF3, {0x03A9, 0x0399}},         {0x1FF4, {0x038F, 0x0399}},
    {0x1FF6, {0x03A9, 0x0342}},         {0x1FF7, {0x03A9, 0x0342, 0x0399}}, {0x1FFC, {0x03A9, 0x0399}},
    {0xFB00, {0x0046, 0x0046}},         {0xFB01, {0x0046, 0x0049}},         {0xFB02, {0x0046, 0x004C}},
    {0xFB03, {0x0046, 0x0046, 0x0049}}, {0xFB04, {0x0046, 0x0046, 0x004C}}, {0xFB05, {0x0053, 0x0054}},
    {0xFB06, {0x0053, 0x0054}}, {0xFB13, {0x0544, 0x0546}}, {0xFB14, {0x0544, 0x0535}},
    {0xFB15, {0x0544, 0x053B}}, {0xFB16, {0x054E, 0x0546}}, {0xFB17, {0x0544, 0x053D}},
}};

bool appendFullUpper(char32_t c, std::string& out) {
    // Greek vowels with iota subscript (and their title-case forms) gain a capital iota.
    if (c >= 0x1F80 && c <= 0x1FAF) {
        constexpr std::array<char32_t, 3> capitals{0x1F08, 0x1F28, 0x1F68};
        appendUtf8(capitals[(c - 0x1F80) / 16] + (c & 7), out);
        appendUtf8(0x0399, out);
        return true;
    }
    for (const auto& full : fullUppers) {
        if (full.from != c) continue;
        for (const char32_t part : full.to) {
            if (part != 0) appendUtf8(part, out);
        }
        return true;
    }
    return false;
}

locale_t utf8Locale() {
    // Created once and kept for the life of the process.
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

char32_t simpleUpper(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
    if (const locale_t locale = utf8Locale()) {
        const auto mapped = static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), locale));
        const bool valid = mapped <= 0x10FFFF && (mapped < 0xD800 || mapped > 0xDFFF);
        return valid ? mapped : c;
    }
    return detail::fallbackUpper(c);
}

} // namespace

std::string uppercased(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t c = decodeUtf8(utf8, pos);
        if (!appendFullUpper(c, out)) appendUtf8(simpleUpper(c), out);
    }
    return out;
}

namespace detail {

char32_t fallbackUpper(char32_t c) {
    const bool odd = c % 2 == 1;
    // ASCII and Latin-1
    if (c >= 'a' && c <= 'z') return c - 0x20;
    if (c == 0xB5) return 0x039C;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    if (c == 0xFF) return 0x0178;
    // Latin Extended-A: mostly upper/lower pairs, with the parity flipping in two runs
    if (c >= 0x0100 && c <= 0x017F) {
        if (c == 0x0131) return 'I';
        if (c == 0x017F) return 'S';
        if (c == 0x0130 || c == 0x0138 || c == 0x0149 || c == 0x0178) return c;
        if ((c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E)) return odd ? c : c - 1;
        return odd ? c - 1 : c;
    }
    // Greek and Coptic
    switch (c) {
    case 0x0345: return 0x0399;
    case 0x0371: case 0x0373: case 0x0377: return c - 1;
    case 0x037B: case 0x037C: case 0x037D: return c + 0x82;
    case 0x03AC: return 0x0386;
    case 0x03AD: case 0x03AE: case 0x03AF: return c - 0x25;
    case 0x03C2: return 0x03A3;
    case 0x03CC: return 0x038C;
    case 0x03CD: case 0x03CE: return c - 0x3F;
    case 0x03D0: return 0x0392;
    case 0x03D1: return 0x0398;
    case 0x03D5: return 0x03A6;
    case 0x03D6: return 0x03A0;
    case 0x03D7: return 0x03CF;
    case 0x03F0: return 0x039A;
    case 0x03F1: return 0x03A1;
    case 0x03F2: return 0x03F9;
    case 0x03F3: return 0x037F;
    case 0x03F5: return 0x0395;
    case 0x03F8: return 0x03F7;
    case 0x03FB: return 0x03FA;
    default: break;
    }
    if (c >= 0x03B1 && c <= 0x03CB) return c - 0x20;
    if (c >= 0x03D8 && c <= 0x03EF) return odd ? c - 1 : c;
    // Cyrillic and Cyrillic Supplement
    if (c >= 0x0430 && c <= 0x044F) return c - 0x20;
    if (c >= 0x0450 && c <= 0x045F) return c - 0x50;
    if ((c >= 0x0460 && c <= 0x0481) || (c >= 0x048A && c <= 0x04BF)) return odd ? c - 1 : c;
    if (c >= 0x04C1 && c <= 0x04CE) return odd ? c : c - 1;
    if (c == 0x04CF) return 0x04C0;
    if (c >= 0x04D0 && c <= 0x052F) return odd ? c - 1 : c;
    return c;
}

} // namespace detail

} // namespace kit::HotKeyBindings
