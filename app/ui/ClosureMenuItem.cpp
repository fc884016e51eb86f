#include "app/ui/ClosureMenuItem.h"

ClosureMenuItem::ClosureMenuItem(const QString& title, const MenuActions& actions, Command command, QObject* parent)
    : QAction(title, parent) {
    // The commands as context: a trigger from another thread is queued to theirs.
    connect(this, &QAction::triggered, &actions, command);
}
