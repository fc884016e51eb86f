#include "app/base/GlimpoUIState.h"

GlimpoUIState& GlimpoUIState::shared() {
    static GlimpoUIState state;
    return state;
}

void GlimpoUIState::insert(const std::string& surface) {
    auto surfaces = openSurfaces_.peek();
    surfaces.insert(surface);
    setOpenSurfaces(std::move(surfaces));
}

void GlimpoUIState::remove(const std::string& surface) {
    auto surfaces = openSurfaces_.peek();
    surfaces.erase(surface);
    setOpenSurfaces(std::move(surfaces));
}
