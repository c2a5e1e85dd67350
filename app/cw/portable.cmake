# The CW message engine's portable core: expansion, token step, paddle decode search, the ledger
# of what went out and the end of the log it edits. Included by app/CMakeLists.txt; every
# configuration builds it.
add_library(tandem_cw_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CwText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TokenStep.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PaddleDecode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SendLedger.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LogTail.cpp)
target_include_directories(tandem_cw_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_compile_features(tandem_cw_core PUBLIC cxx_std_17)
target_link_libraries(tandem_cw_core PUBLIC tandem_text)
