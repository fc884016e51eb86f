#include "app/shortcuts/ShortcutLabels.h"

#include <QCoreApplication>

#include "app/platform/Session.h"

namespace ShortcutLabels {

namespace {

std::string word(const char* source) {
    return QCoreApplication::translate("ShortcutLabels", source).toStdString();
}

} // namespace

kit::ShortcutText::Style style() {
    // Qt desktops call the Super key Meta and put it first.
    const bool kde = platform::Session::desktopIs("KDE");
    return kit::ShortcutText::Style{
        .order = kde ? kit::ShortcutText::Style::Order::metaFirst : kit::ShortcutText::Style::Order::shiftFirst,
        //: The Control key, as the desktop writes it in shortcuts.
        .control = word(QT_TRANSLATE_NOOP("ShortcutLabels", "Ctrl")),
        //: The Alt key, as the desktop writes it in shortcuts.
        .option = word(QT_TRANSLATE_NOOP("ShortcutLabels", "Alt")),
        //: The Shift key, as the desktop writes it in shortcuts.
        .shift = word(QT_TRANSLATE_NOOP("ShortcutLabels", "Shift")),
        //: The Super (Windows) key, as GNOME and KDE write it in shortcuts.
        .command = kde ? word(QT_TRANSLATE_NOOP("ShortcutLabels", "Meta")) : word(QT_TRANSLATE_NOOP("ShortcutLabels", "Super")),
    };
}

QString shown(const kit::HotKeyCombination& combination) {
    const auto name = kit::ShortcutText::keyName(combination.keyCode);
    const std::string key =
        name ? QCoreApplication::translate("KeyNames", std::string(*name).c_str()).toStdString() : combination.keyLabel;
    return QString::fromStdString(kit::ShortcutText::join(combination.carbonModifiers, key, style()));
}

QString modifier(std::uint32_t carbonModifier) {
    const kit::ShortcutText::Style words = style();
    if (carbonModifier == kit::HotKeyCombination::control) return QString::fromStdString(words.control);
    if (carbonModifier == kit::HotKeyCombination::option) return QString::fromStdString(words.option);
    if (carbonModifier == kit::HotKeyCombination::shift) return QString::fromStdString(words.shift);
    return QString::fromStdString(words.command);
}

} // namespace ShortcutLabels
