# The pure code (no platform headers) and its unit tests, as absolute paths:
# the product build and the native sanitizer and fuzzing build share them.
get_filename_component(KELVO_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

set(KELVO_PURE_SOURCES
  device/device_listing.cpp
  device/board_info.cpp
  settings/settings_text.cpp
  settings/settings_restore.cpp
  stream/direct_sampling_shaper.cpp)

set(KELVO_UNIT_TEST_SOURCES
  tests/device_listing_test.cpp
  tests/board_info_test.cpp
  tests/settings_text_test.cpp
  tests/settings_restore_test.cpp
  tests/direct_sampling_shaper_test.cpp)

list(TRANSFORM KELVO_PURE_SOURCES PREPEND ${KELVO_ROOT}/)
list(TRANSFORM KELVO_UNIT_TEST_SOURCES PREPEND ${KELVO_ROOT}/)
