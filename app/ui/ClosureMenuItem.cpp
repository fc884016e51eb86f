#include "app/ui/ClosureMenuItem.h"

ClosureMenuItem::ClosureMenuItem(const QString& title, std::function<void()> handler,
                                 QObject* parent)
    : QAction(title, parent), handler(std::move(handler)) {
    // Context `this`: a trigger from another thread is queued to ours.
    connect(this, &QAction::triggered, this, &ClosureMenuItem::runHandler);
}

void ClosureMenuItem::runHandler() {
    // A copy, so a handler that rebuilds the menu (and drops this item) runs to its end.
    const auto run = handler;
    if (run) {
        run();
    }
}
