#pragma once
// A menu item that carries its own work: choosing it runs `handler` on the thread the item lives
// on (the GUI thread), however it was triggered.

#include <QAction>

#include <functional>

class ClosureMenuItem : public QAction {
    Q_OBJECT
public:
    ClosureMenuItem(const QString& title, std::function<void()> handler, QObject* parent = nullptr);

    std::function<void()> handler;

    // Runs the handler; an empty handler does nothing.
    void runHandler();
};
