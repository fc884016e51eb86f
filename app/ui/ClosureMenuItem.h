#pragma once
// A menu item that carries its own work, one of the menu's commands: choosing it emits that
// command on the thread the commands live on (the GUI thread), however it was triggered.

#include <QAction>

#include "app/ui/MenuActions.h"

class ClosureMenuItem : public QAction {
    Q_OBJECT

public:
    using Command = void (MenuActions::*)();

    ClosureMenuItem(const QString& title, const MenuActions& actions, Command command, QObject* parent = nullptr);
};
