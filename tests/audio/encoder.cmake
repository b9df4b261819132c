# WAV output encoder and format converter; the converted files are read back by python3 and sox.
tav_add_test(test_wavenc
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_encoder_wav.cpp
          ${CMAKE_CURRENT_LIST_DIR}/test_format_converter.cpp
          ${CMAKE_CURRENT_LIST_DIR}/WavTestUtil.h
  LIBS tav_wavenc
  TIMEOUT 300)
