// Stored shortcut overrides come from a settings file anyone can edit: decoding must turn any
// bytes into overrides or a kit::Error, and what it accepts must survive being stored again.
// kit-sources: HotKeyBindings.cpp HotKeyCombination.cpp ShortcutText.cpp CaptureVocabulary.cpp Error.cpp

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string_view>

#include <nlohmann/json.hpp>

#include "kit/Error.h"
#include "kit/HotKeyBindings.h"

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    kit::HotKeyOverrides overrides;
    try {
        overrides = kit::HotKeyBindings::decode(text);
    } catch (const kit::Error& error) {
        require(!error.description().empty(), "decode errors carry a sentence");
        return 0;
    }
    // Any other exception escapes and aborts the run, which is the failure we are looking for.

    const std::string encoded = kit::HotKeyBindings::encode(overrides);
    require(kit::HotKeyBindings::decode(encoded) == overrides, "decode, encode, decode round-trips");
    require(kit::HotKeyBindings::encode(kit::HotKeyBindings::decode(encoded)) == encoded, "encoding is stable");

    const kit::ActiveBindings active = kit::HotKeyBindings::active(overrides);
    for (const auto& [action, combination] : overrides) {
        require(active.contains(action) == combination.has_value(), "an override decides its action");
    }
    return 0;
}
