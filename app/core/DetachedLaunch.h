#pragma once
// An action asked for on the command line returns as soon as Glimpo has it, never waiting for
// the Glimpo it may have started. The launch forks before anything else runs: the launching
// process waits for word from its child and leaves with the outcome; the child, in a session of
// its own and off the terminal, goes on as an ordinary launch (the Glimpo that carries the
// action out, or the messenger to the one that runs) and reports once the action is handed over.

#include <optional>

class Translations;

class DetachedLaunch {
public:
    DetachedLaunch() = default;
    ~DetachedLaunch();
    DetachedLaunch(const DetachedLaunch&) = delete;
    DetachedLaunch& operator=(const DetachedLaunch&) = delete;

    // Forks. In the launching process: the exit status of the command, once the child handed the
    // action over (0) or ended without (its own status, its sentence already on standard error;
    // or 1 with a sentence here). In the child: none, and it goes on.
    std::optional<int> start(const Translations& texts);

    // From the child: the action is handed over, the command returns 0. Standard error leaves the
    // terminal too, so nothing of the background program holds it, unless the log was asked for
    // there.
    void handedOver();

private:
    int channel_ = -1;
};
