# Capture engine: WaveInRecorder over the CaptureBackend operations, with the PulseAudio backend.
add_library(tav_capture STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CaptureBackend.h
  ${CMAKE_CURRENT_LIST_DIR}/WaveInRecorder.h
  ${CMAKE_CURRENT_LIST_DIR}/WaveInRecorder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PulseCapture.h
  ${CMAKE_CURRENT_LIST_DIR}/PulseCapture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AudioOutputs.h
  ${CMAKE_CURRENT_LIST_DIR}/AudioOutputs.cpp)
target_link_libraries(tav_capture PUBLIC Qt6::Core tav_common PRIVATE PkgConfig::PULSE)
