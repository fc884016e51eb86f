# The recording module, libglimpo-recording.so beside the program: FFmpeg, libpulse and the screen
# streams (X11, and PipeWire in a Wayland session), loaded on first use (app/base/Modules.h). Its
# sources stay out of glimpo_app; glimpo_recording is the same code as a static library that the
# tests link directly.
pkg_check_modules(RECORDING REQUIRED IMPORTED_TARGET
    libavformat libavcodec libswscale libavutil libpulse xcb xcb-shm xcb-damage xcb-xfixes xcb-randr
    libpipewire-0.3)

set(glimpo_recording_sources
    ${CMAKE_CURRENT_SOURCE_DIR}/recording/RecordingModuleExports.cpp
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
    # Position-independent objects, for the module and the tests alike.
    add_library(glimpo_recording_objects OBJECT ${glimpo_recording_sources})
    set_target_properties(glimpo_recording_objects PROPERTIES POSITION_INDEPENDENT_CODE ON AUTOMOC OFF)
    target_include_directories(glimpo_recording_objects PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(glimpo_recording_objects PUBLIC
        GlimpoKit Qt6::Gui fmt::fmt PkgConfig::SYSTEMD PkgConfig::RECORDING)

    # The module carries its own copy of the kit and the logger.
    set_target_properties(GlimpoKit PROPERTIES POSITION_INDEPENDENT_CODE ON)
    add_library(glimpo-recording MODULE $<TARGET_OBJECTS:glimpo_recording_objects>
        ${CMAKE_CURRENT_SOURCE_DIR}/base/Log.cpp)
    set_target_properties(glimpo-recording PROPERTIES
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR} AUTOMOC OFF)
    target_include_directories(glimpo-recording PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(glimpo-recording PRIVATE
        GlimpoKit Qt6::Gui fmt::fmt PkgConfig::SYSTEMD PkgConfig::RECORDING)
    # A sanitizer's runtime is linked into the executable only, so its symbols stay open here.
    if(NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize=")
        target_link_options(glimpo-recording PRIVATE -Wl,--no-undefined)
    endif()

    add_library(glimpo_recording STATIC $<TARGET_OBJECTS:glimpo_recording_objects>)
    target_link_libraries(glimpo_recording PUBLIC glimpo_app PkgConfig::RECORDING)
endfunction()
