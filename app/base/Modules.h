#pragma once
// Parts of Glimpo that pull in large libraries (the movie encoder, the sound server client, the
// text recogniser) are built as Qt plugins, `libglimpo-NAME.so` beside the program (the build
// folder) or in `../lib/glimpo` from it (an installed program), and loaded on first use, so they
// weigh nothing on start-up. Each declares the versioned id of the interface it implements
// (Q_DECLARE_INTERFACE); a module of another id is refused before any of its code runs. Loaded
// modules stay loaded for the run.

#include <QObject>

namespace Modules {

// The root object of module `name`, which implements the interface `interfaceId`. Any thread;
// the first call loads the module. Throws kit::Error with a sentence for the user when the
// module is missing, damaged or of another version; the precise cause goes to the log.
QObject& load(const char* name, const char* interfaceId);

// `load` as the interface the module implements.
template <class Interface> Interface& load(const char* name) {
    return *qobject_cast<Interface*>(&load(name, qobject_interface_iid<Interface*>()));
}

} // namespace Modules
