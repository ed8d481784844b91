# Import libraries for the two vendor libraries, made from our own definition
# files so that the plug-in links without any library being present.
foreach(lib kelvo kelvo_sdr)
  set(def ${CMAKE_CURRENT_LIST_DIR}/../device/${lib}.def)
  set(implib ${CMAKE_BINARY_DIR}/lib/lib${lib}_import.a)
  add_custom_command(OUTPUT ${implib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
    COMMAND ${CMAKE_DLLTOOL} -d ${def} -D ${lib}.dll -l ${implib}
    DEPENDS ${def} VERBATIM)
  add_custom_target(${lib}_import_lib DEPENDS ${implib})
  add_library(${lib}_import INTERFACE)
  target_link_libraries(${lib}_import INTERFACE ${implib})
  add_dependencies(${lib}_import ${lib}_import_lib)
endforeach()
