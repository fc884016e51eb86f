#include "app/base/Observation.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <algorithm>
#include <cassert>

namespace observation {

struct Scope {
    enum class State { running, armed, spent };
    State state = State::running;
    bool tracked = false;
    std::function<void()> onFire;
};

} // namespace observation

namespace {

using observation::Scope;

thread_local std::shared_ptr<Scope> currentScope;

// Keeps a scope alive for as long as its context lives: a child of the context owns it, and
// signals only hold weak references, so destroying the context ends the chain.
class ScopeHolder : public QObject {
public:
    ScopeHolder(QObject* parent, std::shared_ptr<Scope> scope) : QObject(parent), scope_(std::move(scope)) {}

private:
    std::shared_ptr<Scope> scope_;
};

// Makes a scope current for the body's run and arms it afterwards, even when the body throws.
class RunningScope {
public:
    explicit RunningScope(std::shared_ptr<Scope> scope)
        : scope_(scope), outer_(std::exchange(currentScope, std::move(scope))) {}
    ~RunningScope() {
        currentScope = std::move(outer_);
        if (scope_->state == Scope::State::running) scope_->state = Scope::State::armed;
    }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;

private:
    std::shared_ptr<Scope> scope_;
    std::shared_ptr<Scope> outer_;
};

} // namespace

void ObservationSignal::track() const {
    if (!currentScope) return;
    std::erase_if(scopes_, [](const auto& weak) { return weak.expired(); });
    const bool known = std::any_of(scopes_.begin(), scopes_.end(),
                                   [](const auto& weak) { return weak.lock() == currentScope; });
    if (!known) scopes_.push_back(currentScope);
    currentScope->tracked = true;
}

void ObservationSignal::notify() {
    auto scopes = std::exchange(scopes_, {});
    for (const auto& weak : scopes) {
        // Held strongly while it fires: firing releases the scope's owner.
        const auto scope = weak.lock();
        if (!scope) continue;
        switch (scope->state) {
        case Scope::State::running:
            scopes_.push_back(weak);
            break;
        case Scope::State::armed:
            scope->state = Scope::State::spent;
            if (scope->onFire) std::exchange(scope->onFire, {})();
            break;
        case Scope::State::spent:
            break;
        }
    }
}

void observeChanges(QObject* context, std::function<void()> body) {
    assert(context != nullptr);
    auto scope = std::make_shared<Scope>();
    auto* holder = new ScopeHolder(context, scope);
    QPointer<ScopeHolder> weakHolder(holder);
    scope->onFire = [context, body, weakHolder] {
        QMetaObject::invokeMethod(
            context, [context, body] { observeChanges(context, body); }, Qt::QueuedConnection);
        delete weakHolder.data();
    };
    {
        RunningScope running(scope);
        body();
    }
    // A body that read nothing can never run again; its chain is over.
    if (!scope->tracked) delete weakHolder.data();
}
