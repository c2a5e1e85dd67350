# The emulator as interface libraries built in other ways may come: what the program must cope
# with besides the library it was written for. Each is a keyport.dll in a folder of its own under
# bin/, never beside Tandem.exe; the tests put the folder first in the search order.
#
#   emulator-decorated             standard call, exported under "name@N" (as GCC's
#                                  __declspec(dllexport) writes them, no .def file)
#   emulator-decorated-underscore  standard call, exported under "_name@N" (as the other family of
#                                  Windows compilers writes them)
#   emulator-cdecl                 the C convention: the caller removes the arguments
#   emulator-noopen                every entry point but keyportOpen
#   emulator-unusable              none of the entry points under any name
#
# On 64-bit Windows there is one convention and no decoration, so the first three are the plain
# emulator there, in their own folders all the same.

# Entry points with their numbers of arguments, from KeyportApi.h.
set(keyport_entry_points
  keyportOpen:1 keyportClose:1 keyportSetCallbackWindow:2 keyportGetVersion:1 keyportSetWPM:2
  keyportSetWeight:3 keyportSetPTTParam:3 keyportSetPaddle:2 keyportSetSideTone:2
  keyportPutChar:2 keyportPutCode:2 keyportTxCancel:1 keyportWriteData:3 keyportTxBusy:1
  keyportWriteCmd:3)

# A module-definition file exporting the entry points (all, or all but SKIP) in STYLE: "plain",
# "decorated" (name@N), "underscore" (_name@N) or "none".
function(keyport_variant_def out style)
  cmake_parse_arguments(D "" "SKIP" "" ${ARGN})
  set(text "LIBRARY keyport\nEXPORTS\n")
  if(NOT style STREQUAL "none")
    foreach(entry IN LISTS keyport_entry_points)
      string(REPLACE ":" ";" parts "${entry}")
      list(GET parts 0 name)
      list(GET parts 1 count)
      math(EXPR bytes "${count} * 4")
      if(name STREQUAL D_SKIP)
        continue()
      elseif(style STREQUAL "decorated")
        string(APPEND text "    ${name}@${bytes}\n")
      elseif(style STREQUAL "underscore")
        string(APPEND text "    _${name}@${bytes} = ${name}@${bytes}\n")
      else()
        string(APPEND text "    ${name}\n")
      endif()
    endforeach()
  endif()
  file(WRITE ${out} "${text}")
endfunction()

# The emulator's code once per calling convention; the variants differ in how they are linked.
foreach(convention stdcall cdecl)
  add_library(keyport_objects_${convention} OBJECT
    ${CMAKE_CURRENT_SOURCE_DIR}/keyport.cpp ${CMAKE_CURRENT_SOURCE_DIR}/AudioOut.cpp)
  target_include_directories(keyport_objects_${convention} PRIVATE ${PROJECT_SOURCE_DIR}/app/keyer)
  target_link_libraries(keyport_objects_${convention} PUBLIC keyport_core winmm)
  target_compile_definitions(keyport_objects_${convention} PRIVATE KEYPORT_CALL=__${convention})
endforeach()

function(keyport_variant folder convention style)
  set(target keyport_${folder})
  string(REPLACE "-" "_" target "${target}")
  set(def ${CMAKE_CURRENT_BINARY_DIR}/${folder}.def)
  keyport_variant_def(${def} ${style} ${ARGN})
  add_library(${target} SHARED ${def})
  target_link_libraries(${target} PRIVATE keyport_objects_${convention})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME keyport
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/${folder}
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/${folder})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND style STREQUAL "plain")
    target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
  elseif(style STREQUAL "none")
    # An empty export list would make the linker export every symbol, decorated names included.
    target_link_options(${target} PRIVATE -Wl,--exclude-all-symbols)
  endif()
endfunction()

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  keyport_variant(emulator-decorated stdcall decorated)
  keyport_variant(emulator-decorated-underscore stdcall underscore)
else()
  keyport_variant(emulator-decorated stdcall plain)
  keyport_variant(emulator-decorated-underscore stdcall plain)
endif()
keyport_variant(emulator-cdecl cdecl plain)
keyport_variant(emulator-noopen stdcall plain SKIP keyportOpen)
keyport_variant(emulator-unusable stdcall none)

add_custom_target(keyport_variants)
add_dependencies(keyport_variants keyport_emulator_decorated keyport_emulator_decorated_underscore
  keyport_emulator_cdecl keyport_emulator_noopen keyport_emulator_unusable)
