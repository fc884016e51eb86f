#pragma once
// How a thumbnail reports the user's gestures, one signal each, all on the main thread. The
// thumbnail's owner connects them; the view decides nothing.

#include <QObject>

class ThumbnailActions : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void save();
    void copy();
    void showInFolder();
    void close();
    // True when the pointer enters, false when it leaves.
    void hoverChanged(bool hovering);
    // True when a receiver accepted the dragged file.
    void dragEnded(bool accepted);
    // The picture is to be marked up.
    void edit();
};
