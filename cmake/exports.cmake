# Writes the module definition file of the plug-in from frame/entry_points.list.
# Every entry point is exported as "Name" and as "_Name@N" (N = argument bytes),
# except those marked decorated-only. The 64-bit build exports the very same
# names, so both builds share one export table; there the functions carry no
# decoration and both names lead to the plain symbol.
function(kelvo_write_def_file list_file module_name out_file)
  file(STRINGS ${list_file} lines REGEX "^[A-Za-z]")
  set(text "LIBRARY \"${module_name}\"\nEXPORTS\n")
  foreach(line IN LISTS lines)
    string(REGEX MATCHALL "[^ \t]+" fields "${line}")
    list(GET fields 0 name)
    list(GET fields 1 bytes)
    list(LENGTH fields field_count)
    if(KELVO_ARCH EQUAL 32)
      set(symbol "${name}@${bytes}")
    else()
      set(symbol "${name}")
    endif()
    if(NOT field_count GREATER 2)
      if(KELVO_ARCH EQUAL 32)
        string(APPEND text "  ${name} = ${symbol}\n")
      else()
        string(APPEND text "  ${name}\n")
      endif()
    endif()
    string(APPEND text "  _${name}@${bytes} = ${symbol}\n")
  endforeach()
  file(WRITE ${out_file} "${text}")
endfunction()
