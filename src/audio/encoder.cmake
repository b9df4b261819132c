# WAV output encoder and the format converter behind it (no Qt).
add_library(tav_wavenc STATIC
  ${CMAKE_CURRENT_LIST_DIR}/EncoderWAV.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EncoderWAV.h
  ${CMAKE_CURRENT_LIST_DIR}/FormatConverter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FormatConverter.h
)
target_link_libraries(tav_wavenc PUBLIC tav_common PRIVATE PkgConfig::SOXR)
set_target_properties(tav_wavenc PROPERTIES AUTOMOC OFF)
