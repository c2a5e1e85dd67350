# The CW message engine's contribution to Tandem.exe (see app/CMakeLists.txt): memories and the Fn
# bar, expansion and the token step on the frame, streaming, CQ repeat, paddle echo, and the
# memory editing dialog.
list(APPEND TANDEM_APP_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/CwEngine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CwStreaming.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FnEditDlg.cpp)
list(APPEND TANDEM_APP_LIBS tandem_cw_core)
