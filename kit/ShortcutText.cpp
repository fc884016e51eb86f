#include "kit/ShortcutText.h"

#include <array>
#include <utility>

#include "kit/Translatable.h"

namespace kit::ShortcutText {

namespace {

struct KeyName {
    std::uint32_t keyCode;
    std::string_view name;
};

// The names GTK and Qt give these keys in shortcuts; function keys are shown by their labels.
constexpr std::array<KeyName, 18> keyNames{{
    {49, KIT_TRANSLATABLE("KeyNames", "Space")},
    {36, KIT_TRANSLATABLE("KeyNames", "Return")},
    {48, KIT_TRANSLATABLE("KeyNames", "Tab")},
    {51, KIT_TRANSLATABLE("KeyNames", "Backspace")},
    {117, KIT_TRANSLATABLE("KeyNames", "Delete")},
    {123, KIT_TRANSLATABLE("KeyNames", "Left")},
    {124, KIT_TRANSLATABLE("KeyNames", "Right")},
    {125, KIT_TRANSLATABLE("KeyNames", "Down")},
    {126, KIT_TRANSLATABLE("KeyNames", "Up")},
    {115, KIT_TRANSLATABLE("KeyNames", "Home")},
    {119, KIT_TRANSLATABLE("KeyNames", "End")},
    {116, KIT_TRANSLATABLE("KeyNames", "Page Up")},
    {121, KIT_TRANSLATABLE("KeyNames", "Page Down")},
    {53, KIT_TRANSLATABLE("KeyNames", "Escape")},
    {108, KIT_TRANSLATABLE("KeyNames", "Print")},
    {114, KIT_TRANSLATABLE("KeyNames", "Insert")},
    {112, KIT_TRANSLATABLE("KeyNames", "Scroll Lock")},
    {127, KIT_TRANSLATABLE("KeyNames", "Pause")},
}};

} // namespace

std::optional<std::string_view> keyName(std::uint32_t keyCode) {
    for (const auto& [code, name] : keyNames) {
        if (code == keyCode) return name;
    }
    return std::nullopt;
}

std::string join(std::uint32_t carbonModifiers, std::string_view key, const Style& style) {
    const std::pair<std::uint32_t, const std::string*> shiftFirst[] = {
        {HotKeyCombination::shift, &style.shift},
        {HotKeyCombination::control, &style.control},
        {HotKeyCombination::option, &style.option},
        {HotKeyCombination::command, &style.command},
    };
    const std::pair<std::uint32_t, const std::string*> metaFirst[] = {
        {HotKeyCombination::command, &style.command},
        {HotKeyCombination::control, &style.control},
        {HotKeyCombination::option, &style.option},
        {HotKeyCombination::shift, &style.shift},
    };
    std::string text;
    for (const auto& [bit, word] : style.order == Style::Order::shiftFirst ? shiftFirst : metaFirst) {
        if (carbonModifiers & bit) text += *word + "+";
    }
    return text.append(key);
}

std::string shown(const HotKeyCombination& combination, const Style& style) {
    const auto name = keyName(combination.keyCode);
    return join(combination.carbonModifiers, name ? *name : std::string_view(combination.keyLabel), style);
}

} // namespace kit::ShortcutText
