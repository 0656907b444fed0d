# Builds of the simulated bdxdll.dll that spell their exports as an adapter maker's library might:
# __stdcall functions exported under their plain names, under MSVC's decorated names
# (_bdx_Name@N), or a library that lacks some functions. The loader's tests and check-library
# run against them. Their module-definition files are written from BDX_FUNCTION_LIST in
# adapter/bdx_api.h, the one list of the adapter functions.

# Reads the function names and their numbers of arguments from BDX_FUNCTION_LIST.
function(corvane_bdx_functions out_names out_words)
  file(READ ${CMAKE_SOURCE_DIR}/adapter/bdx_api.h header)
  # X(bdx_Name, (parameters), (arguments)); the arguments are the last parenthesis.
  string(REGEX MATCHALL "X\\(bdx_[A-Za-z]+, \\([^\n]*\\), \\([^()\n]*\\)\\)" entries "${header}")
  set(names "")
  set(words "")
  foreach(entry IN LISTS entries)
    string(REGEX MATCH "^X\\((bdx_[A-Za-z]+), .*\\(([^()]*)\\)\\)$" _ "${entry}")
    set(name ${CMAKE_MATCH_1})
    set(arguments "${CMAKE_MATCH_2}")
    string(REGEX REPLACE "[^,]" "" commas "${arguments}")
    string(LENGTH "${commas}" count)
    if(NOT arguments STREQUAL "")
      math(EXPR count "${count} + 1")
    endif()
    list(APPEND names ${name})
    list(APPEND words ${count})
  endforeach()
  # Every entry must have been understood: one written otherwise would silently go missing.
  string(REGEX MATCHALL "X\\(bdx_" starts "${header}")
  list(LENGTH starts expected)
  list(LENGTH names n)
  if(n EQUAL 0 OR NOT n EQUAL expected)
    message(FATAL_ERROR "Cannot read the entries of BDX_FUNCTION_LIST in adapter/bdx_api.h")
  endif()
  set(${out_names} ${names} PARENT_SCOPE)
  set(${out_words} ${words} PARENT_SCOPE)
endfunction()

# Writes a module-definition file that exports every function except those in leave_out, under
# its plain name (form "plain") or as "_bdx_Name@N = bdx_Name" (form "decorated"; N is 4 times the
# number of arguments, as MSVC spells a __stdcall export).
function(corvane_write_bdx_def file form leave_out)
  corvane_bdx_functions(names words)
  set(text "LIBRARY bdxdll\nEXPORTS\n")
  list(LENGTH names n)
  math(EXPR last "${n} - 1")
  foreach(i RANGE ${last})
    list(GET names ${i} name)
    list(GET words ${i} count)
    if(name IN_LIST leave_out)
      continue()
    endif()
    if(form STREQUAL "decorated")
      math(EXPR bytes "4 * ${count}")
      string(APPEND text "  _${name}@${bytes} = ${name}\n")
    else()
      string(APPEND text "  ${name}\n")
    endif()
  endforeach()
  file(CONFIGURE OUTPUT ${file} CONTENT "${text}")
endfunction()

# corvane_bdxdll_variant(TARGET FOLDER EXPORTS_OBJECTS FORM [LEAVE_OUT name...])
# A bdxdll.dll in bin/FOLDER from the simulator's shared parts (bdxsim_dll_parts) and the
# exported functions compiled as EXPORTS_OBJECTS, exporting them as corvane_write_bdx_def writes.
function(corvane_bdxdll_variant target folder exports_objects form)
  set(def ${CMAKE_BINARY_DIR}/def/bdxdll-${folder}.def)
  corvane_write_bdx_def(${def} ${form} "${ARGN}")
  add_library(${target} SHARED $<TARGET_OBJECTS:${exports_objects}>
              $<TARGET_OBJECTS:bdxsim_dll_parts> ${def})
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME bdxdll
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/${folder}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/${folder})
  if(MINGW)
    # The .def names the functions undecorated; on x86 their symbols carry @N. Let the linker
    # match them without a warning for each.
    target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
  endif()
endfunction()
