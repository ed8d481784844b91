# The product: ExtIO_KelvoSDR.dll. Its pure parts (listing, board text,
# settings text, block shaping) also form a static library that the unit tests
# link directly.
include(${CMAKE_CURRENT_LIST_DIR}/pure_sources.cmake)

set(KELVO_PLUGIN_SOURCES
  frame/plugin_state.cpp
  frame/dll_main.cpp
  frame/host_interface.cpp
  frame/host_notify.cpp
  device/discovery.cpp
  device/device_open.cpp
  stream/stream_control.cpp
  stream/block_delivery.cpp
  tuning/lo_frequency.cpp
  tuning/sample_rate.cpp
  settings/settings_exchange.cpp
  ui/control_dialog.cpp
  ui/dialog_commands.cpp
  ui/control_dialog.rc
  frame/version_info.rc
  ui/dialog_visibility.cpp)

get_filename_component(KELVO_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
list(TRANSFORM KELVO_PLUGIN_SOURCES PREPEND ${KELVO_ROOT}/)

add_library(kelvo_pure STATIC ${KELVO_PURE_SOURCES})
target_include_directories(kelvo_pure PUBLIC ${KELVO_ROOT})
target_compile_options(kelvo_pure PRIVATE -fno-exceptions)

set(KELVO_DEF_FILE ${CMAKE_BINARY_DIR}/ExtIO_KelvoSDR.def)
kelvo_write_def_file(${KELVO_ROOT}/frame/entry_points.list "ExtIO_KelvoSDR.DLL" ${KELVO_DEF_FILE})

add_library(ExtIO_KelvoSDR SHARED ${KELVO_PLUGIN_SOURCES} ${KELVO_DEF_FILE})
set_target_properties(ExtIO_KelvoSDR PROPERTIES PREFIX "" OUTPUT_NAME ExtIO_KelvoSDR)
target_compile_options(ExtIO_KelvoSDR PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>)
target_include_directories(ExtIO_KelvoSDR PRIVATE ${KELVO_ROOT})
target_link_libraries(ExtIO_KelvoSDR PRIVATE kelvo_pure kelvo_import kelvo_sdr_import user32 comctl32)
set_property(TARGET ExtIO_KelvoSDR APPEND PROPERTY LINK_DEPENDS ${KELVO_ROOT}/frame/entry_points.list)
