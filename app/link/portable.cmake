# The logger link's portable core: receiving and splitting the entry record, the record's key
# actions, the main window's shortcut decisions and the link state that the status bar shows.
# Included by app/CMakeLists.txt; every configuration builds it.
add_library(tandem_link_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/EntryRecordFields.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KeyActions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LinkState.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Shortcuts.cpp)
# The Fn buttons' ids are the resource script's (app/res/resource.h, plain #defines).
target_include_directories(tandem_link_core PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/../res)
target_compile_features(tandem_link_core PUBLIC cxx_std_17)
target_link_libraries(tandem_link_core PUBLIC tandem_hook_core tandem_text)
