#pragma once
// GNOME's custom keyboard shortcuts that run Glimpo's command-line actions: in a Wayland session
// the desktop, not Glimpo, owns global keys. Written through gsettings, only when the user asks;
// the user's own custom shortcuts stay as they are.

#include <string>
#include <vector>

namespace platform::desktop::GnomeCommandShortcuts {

struct Shortcut {
    // The last part of the custom keybinding's path.
    std::string id;
    // In English; written in the user's language.
    std::string name;
    // The command-line option of the action.
    std::string option;
    // GNOME's accelerator text.
    std::string binding;
};

// Area, full screen and the all-in-one bar on Glimpo's default keys.
const std::vector<Shortcut>& shortcuts();

// Whether GNOME's custom shortcut list holds all of Glimpo's. False when gsettings or GNOME's
// schema is missing.
bool bound();

// Adds (or renews) Glimpo's custom shortcuts running `program`; throws kit::Error with a sentence
// when GNOME's settings can't be written.
void bind(const std::string& program);

} // namespace platform::desktop::GnomeCommandShortcuts
