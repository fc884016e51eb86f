#pragma once
// The welcome window's content: a greeting, the four setup steps, the last login item error and
// a footer whose "Done" button (also Return) says the user is done.

#include <QWidget>

class SetupGuide;

class WelcomeView : public QWidget {
    Q_OBJECT

public:
    explicit WelcomeView(SetupGuide& guide, QWidget* parent = nullptr);

signals:
    void done();
};
