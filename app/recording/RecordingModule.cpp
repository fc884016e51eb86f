#include "app/recording/RecordingModule.h"

#include "app/base/Modules.h"

const RecordingModule& RecordingModule::load() {
    return *Modules::function<const RecordingModule*()>("recording", "glimpo_recording_module")();
}
