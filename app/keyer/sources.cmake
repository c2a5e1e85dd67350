# The keyer binding's contribution to Tandem.exe (see app/CMakeLists.txt): loading the interface
# library, its entry points and the calls into it, the keyer parameters and the CQ machine PTT
# link.
list(APPEND TANDEM_APP_SOURCES ${CMAKE_CURRENT_LIST_DIR}/KeyerBinding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KeyportInvoke.cpp)
list(APPEND TANDEM_APP_LIBS tandem_keyer_core)
