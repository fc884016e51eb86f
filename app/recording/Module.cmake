# The recording module, libglimpo-recording.so beside the program: FFmpeg, libpulse and the screen
# streams (X11, and PipeWire in a Wayland session), loaded on first use (app/base/Modules.h). Its
# sources stay out of glimpo_app; glimpo_recording is the same code but for the plugin's root
# object, as a static library that the tests link directly.
pkg_check_modules(RECORDING REQUIRED IMPORTED_TARGET
    libavformat libavcodec libswscale libavutil libpulse xcb xcb-shm xcb-damage xcb-xfixes xcb-randr
    libpipewire-0.3)

set(glimpo_recording_sources
    ${CMAKE_CURRENT_SOURCE_DIR}/recording/RecordingModulePlugin.h
    ${CMAKE_CURRENT_SOURCE_DIR}/recording/StreamRecordingModule.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/recording/StreamRecordingModule.h
    ${CMAKE_CURRENT_SOURCE_DIR}/recording/RecordingWriter.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/recording/RecordingWriter.h
    ${CMAKE_CURRENT_SOURCE_DIR}/recording/StreamRecordingSession.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/recording/StreamRecordingSession.h
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/ScreenStream.h
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/x11/X11ScreenStream.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/x11/X11ScreenStream.h
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/wayland/PipeWireScreenStream.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/wayland/PipeWireScreenStream.h
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/audio/PulseAudioCapture.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/audio/PulseAudioCapture.h
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/audio/OwnSoundFilter.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/audio/OwnSoundFilter.h
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/audio/SoundServer.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/audio/SoundServer.h
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/media/FirstFrame.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/media/FirstFrame.h
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/media/MovieFinisher.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/media/MovieFinisher.h)

function(glimpo_add_recording_module)
    set(plugin ${CMAKE_CURRENT_SOURCE_DIR}/recording/RecordingModulePlugin.h)
    set(sources ${glimpo_recording_sources})
    list(REMOVE_ITEM sources ${plugin})
    # Position-independent objects, for the module and the tests alike.
    add_library(glimpo_recording_objects OBJECT ${sources})
    set_target_properties(glimpo_recording_objects PROPERTIES POSITION_INDEPENDENT_CODE ON AUTOMOC OFF)
    target_link_libraries(glimpo_recording_objects PUBLIC glimpo-base Qt6::Gui PkgConfig::RECORDING)

    # The kit and the log come from the program's libglimpo-base.so, found beside the module.
    add_library(glimpo-recording MODULE $<TARGET_OBJECTS:glimpo_recording_objects> ${plugin})
    set_target_properties(glimpo-recording PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR} INSTALL_RPATH "$ORIGIN")
    target_link_libraries(glimpo-recording PRIVATE glimpo-base Qt6::Gui PkgConfig::RECORDING)
    # A sanitizer's runtime is linked into the executable only, so its symbols stay open here.
    if(NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize=")
        target_link_options(glimpo-recording PRIVATE -Wl,--no-undefined)
    endif()

    add_library(glimpo_recording STATIC $<TARGET_OBJECTS:glimpo_recording_objects>)
    target_link_libraries(glimpo_recording PUBLIC glimpo_app PkgConfig::RECORDING)
endfunction()
