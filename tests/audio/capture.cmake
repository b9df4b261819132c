# Capture engine: logic on the in-memory sound system; the real sound server in the test session.
tav_add_test(test_capture SOURCES test_capture.cpp FakeCapture.h LIBS tav_capture PkgConfig::PULSE)
tav_add_test(test_capture_pulse SOURCES test_capture_pulse.cpp PulseTestUtil.h LIBS tav_capture tav_wavenc SESSION WAYLAND TIMEOUT 60)
target_compile_definitions(test_capture_pulse PRIVATE TAV_SESSION_SCRIPTS="${CMAKE_SOURCE_DIR}/tests/session")
