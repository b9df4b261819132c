# The recording window: its rules, the window on the in-memory sound system, and a recording
# through the window from the test session's sound server.
tav_add_test(test_recording_rules SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_recording_rules.cpp
             LIBS tav_recording)
tav_add_test(test_frmrec QTAPP
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_frmrec.cpp ${CMAKE_CURRENT_LIST_DIR}/FakeCapture.h
  LIBS tav_audio_ui)
tav_add_test(test_frmrec_pulse SESSION WAYLAND TIMEOUT 120
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_frmrec_pulse.cpp ${CMAKE_CURRENT_LIST_DIR}/PulseTestUtil.h
  LIBS tav_audio_ui)
target_compile_definitions(test_frmrec_pulse PRIVATE TAV_SESSION_SCRIPTS="${CMAKE_SOURCE_DIR}/tests/session")
# The recording session: its states on the in-memory sound system, and recordings of the test
# session's sound server timed as a user's presses.
tav_add_test(test_recording_session QTAPP
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_recording_session.cpp ${CMAKE_CURRENT_LIST_DIR}/FakeCapture.h
          ${CMAKE_CURRENT_LIST_DIR}/PulseTestUtil.h
  LIBS tav_recording Qt6::Test)
target_compile_definitions(test_recording_session PRIVATE TAV_SESSION_SCRIPTS="${CMAKE_SOURCE_DIR}/tests/session")
tav_add_test(test_recording_session_pulse SESSION WAYLAND TIMEOUT 120
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_recording_session_pulse.cpp ${CMAKE_CURRENT_LIST_DIR}/PulseTestUtil.h
  LIBS tav_recording)
target_compile_definitions(test_recording_session_pulse PRIVATE TAV_SESSION_SCRIPTS="${CMAKE_SOURCE_DIR}/tests/session")
