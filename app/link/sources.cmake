# The logger link's contribution to Tandem.exe (see app/CMakeLists.txt). The window code of the
# record handler, the shortcuts and the watch of the followed logger appends its .cpp files to
# TANDEM_APP_SOURCES here.
list(APPEND TANDEM_APP_LIBS tandem_link_core)
list(APPEND TANDEM_APP_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/CopyDataHandler.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FrameLinkActions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FrameShortcuts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LoggerWatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LoggerWindows.cpp)
