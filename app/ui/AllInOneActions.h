#pragma once
// What the all-in-one bar's buttons ask of its owner, one signal each. A request no one connected
// does nothing.

#include <QObject>

#include "kit/CaptureVocabulary.h"

class AllInOneActions : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void capture(kit::CaptureAction action);
    // True: record the whole display under the pointer; false: select an area first.
    void record(bool fullscreen);
    void close();
};
