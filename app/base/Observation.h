#pragma once
// Observation of main-thread state: a body run by observeChanges records which Observed values
// it read, and runs again, queued on the event loop, after any of them changes.

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QObject;

namespace observation {
struct Scope;
} // namespace observation

// Who read a value, and how to tell them it changed. Copies start with no readers: readers
// follow the object they read, not its value.
class ObservationSignal {
public:
    ObservationSignal() = default;
    ObservationSignal(const ObservationSignal&) {}
    ObservationSignal& operator=(const ObservationSignal&) { return *this; }
    ~ObservationSignal() = default;

    // Registers the observation scope running now, if any.
    void track() const;
    // Fires every registered scope once, then forgets them. Scopes whose body is still running
    // stay registered: a body's own writes do not re-run it.
    void notify();

private:
    mutable std::vector<std::weak_ptr<observation::Scope>> scopes_;
};

// A value whose reads are tracked and whose changes notify. Main thread only.
template <class T> class Observed {
public:
    explicit Observed(T initial = {}) : value_(std::move(initial)) {}

    // A tracked read.
    const T& get() const {
        signal_.track();
        return value_;
    }
    // An untracked read.
    const T& peek() const { return value_; }

    // Stores the value; notifies only when it differs. Returns whether it changed.
    bool set(T value) {
        if (value == value_) return false;
        value_ = std::move(value);
        signal_.notify();
        return true;
    }

private:
    T value_;
    ObservationSignal signal_;
};

// Runs body now, and again after every change (or burst of changes) of what it read in its
// previous run. Re-runs are queued on context's thread, never run inside the assignment. The
// chain ends when context is destroyed. context must not be null.
void observeChanges(QObject* context, std::function<void()> body);
