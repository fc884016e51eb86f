#pragma once
// The menu's commands, one signal each, connected once by the application. A command no one
// connected does nothing.

#include <QObject>

class MenuActions : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void captureArea();
    void captureFullscreen();
    void captureWindow();
    void captureScrollingArea();
    void startRecording();
    void stopRecording();
    void captureText();
    void openAllInOne();
    void openSaveFolder();
    void openSettings();
};
