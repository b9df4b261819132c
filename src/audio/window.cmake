# The recording window's rules (QtCore) and its windows: the recording window and the output
# format chooser.
add_library(tav_recording STATIC
  ${CMAKE_CURRENT_LIST_DIR}/RecordingRules.h
  ${CMAKE_CURRENT_LIST_DIR}/RecordingRules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordingSession.h
  ${CMAKE_CURRENT_LIST_DIR}/RecordingSession.cpp)
target_link_libraries(tav_recording PUBLIC Qt6::Core tav_core tav_capture tav_wavenc tav_dsp tav_filedialogrules)

add_library(tav_audio_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/FrmREC.h
  ${CMAKE_CURRENT_LIST_DIR}/FrmREC.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FrmFormatChooser.h
  ${CMAKE_CURRENT_LIST_DIR}/FrmFormatChooser.cpp)
target_link_libraries(tav_audio_ui PUBLIC tav_recording tav_capture tav_wavenc tav_dspview tav_media
                      tav_ui tav_core Qt6::Widgets)
