#pragma once
// Every key press on the display, whichever program receives it. The shortcut recorder sets what
// it heard here against the presses that reached it, to tell a key that the desktop keeps for
// itself.

#include <cstdint>

#include <QObject>

namespace platform {

class KeyPressWatch : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Presses are heard only while watching, which costs the server some work.
    virtual void setWatching(bool on) = 0;

signals:
    // A key other than a modifier went down: the program's key code, and the modifiers held as
    // key-event flags.
    void pressed(std::uint32_t keyCode, std::uint64_t eventFlags);
};

} // namespace platform
