# The recording window: its rules, the window on the in-memory sound system, and a recording
# through the window from the test session's sound server.
tav_add_test(test_recording_rules SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_recording_rules.cpp
             LIBS tav_recording)
tav_add_test(test_frmrec QTAPP
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_frmrec.cpp ${CMAKE_CURRENT_LIST_DIR}/FakeCapture.h
  LIBS tav_audio_ui)
tav_add_test(test_frmrec_pulse SESSION TIMEOUT 120
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_frmrec_pulse.cpp
  LIBS tav_audio_ui)
