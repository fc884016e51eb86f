#include "app/recording/RecordingModule.h"

#include "app/base/Modules.h"

const RecordingModule& RecordingModule::load() {
    return Modules::load<RecordingModule>("recording");
}
