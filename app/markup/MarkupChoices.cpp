#include "app/markup/MarkupChoices.h"

#include "app/base/SettingsStore.h"
#include "kit/MarkupStyle.h"

namespace {

namespace Key {
constexpr std::string_view colour = "markupColor";
constexpr std::string_view stroke = "markupStrokeWidth";
constexpr std::string_view textSize = "markupTextSize";
constexpr std::string_view filled = "markupFilled";
constexpr std::string_view textBox = "markupTextBox";
} // namespace Key

} // namespace

MarkupChoices::MarkupChoices(SettingsStore& store) : store_(store) {
    store_.registerDefaults({{std::string(Key::stroke), kit::MarkupStyle::defaultStrokeWidth},
                             {std::string(Key::textSize), kit::MarkupStyle::defaultTextSize}});
}

MarkupItem::Style MarkupChoices::style() const {
    using namespace kit::MarkupStyle;
    const Rgb colour = parseColour(store_.stringValue(Key::colour).value_or("")).value_or(palette.front());
    return {QColor(colour.red, colour.green, colour.blue), strokeWidth(store_.doubleValue(Key::stroke)),
            store_.boolValue(Key::filled), textSize(store_.doubleValue(Key::textSize)), store_.boolValue(Key::textBox)};
}

void MarkupChoices::setColour(const QColor& colour) {
    const kit::MarkupStyle::Rgb rgb{static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
                                    static_cast<std::uint8_t>(colour.blue())};
    store_.setString(Key::colour, kit::MarkupStyle::colourText(rgb));
}

void MarkupChoices::setStroke(double points) {
    store_.setDouble(Key::stroke, kit::MarkupStyle::strokeWidth(points));
}

void MarkupChoices::setTextSize(double points) {
    store_.setDouble(Key::textSize, kit::MarkupStyle::textSize(points));
}

void MarkupChoices::setFilled(bool filled) {
    store_.setBool(Key::filled, filled);
}

void MarkupChoices::setTextBox(bool textBox) {
    store_.setBool(Key::textBox, textBox);
}
