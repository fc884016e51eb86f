#pragma once
// The names of Glimpo's own interactive surfaces that are open now ("overlay", "allInOne",
// "shortcutRecorder"). Observed by whoever decides who owns the Escape key.

#include <set>
#include <string>

#include "app/base/Observation.h"

class GlimpoUIState {
public:
    static GlimpoUIState& shared();

    // A tracked read.
    const std::set<std::string>& openSurfaces() const { return openSurfaces_.get(); }
    // An equal set is stored without notifying observers.
    void setOpenSurfaces(std::set<std::string> surfaces) { openSurfaces_.set(std::move(surfaces)); }

    void insert(const std::string& surface);
    void remove(const std::string& surface);

private:
    GlimpoUIState() = default;

    Observed<std::set<std::string>> openSurfaces_;
};
