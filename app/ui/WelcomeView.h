#pragma once
// The welcome window's content: a greeting, the four setup steps, the last login item error and
// a footer whose "Done" button (also Return) calls onDone.

#include <QWidget>

#include <functional>

class SetupGuide;

class WelcomeView : public QWidget {
    Q_OBJECT

public:
    WelcomeView(SetupGuide& guide, std::function<void()> onDone, QWidget* parent = nullptr);
};
