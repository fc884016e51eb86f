#pragma once
// Parts of Glimpo that pull in large libraries (the movie encoder, the sound server client, the
// text recogniser) are built as modules and loaded on first use, so they weigh nothing on
// start-up. A module is `libglimpo-NAME.so` beside the program (the build folder) or in
// `../lib/glimpo` from it (an installed program). Loaded modules stay loaded for the run.

namespace Modules {

// The address of `symbol` in module `name`. Throws kit::Error with a sentence for the user when
// the module or the symbol can't be found; the loader's own message goes to the log.
void* resolve(const char* name, const char* symbol);

// `resolve` typed as the function it names.
template <class Function> Function* function(const char* name, const char* symbol) {
    return reinterpret_cast<Function*>(resolve(name, symbol));
}

} // namespace Modules
