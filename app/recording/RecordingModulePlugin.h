#pragma once
// The recording module's root object, which the program's module loader asks for by the
// interface's id. Built into libglimpo-recording.so only.

#include <QObject>

#include "app/recording/StreamRecordingModule.h"

class RecordingModulePlugin : public QObject, public StreamRecordingModule {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID GLIMPO_RECORDING_MODULE_IID)
    Q_INTERFACES(RecordingModule)
};
