# The Morse code table, shared by the keyer emulator and the program's paddle echo.
# Included by every CMakeLists.txt that needs it, each under if(NOT TARGET tandem_morse).
add_library(tandem_morse STATIC ${CMAKE_CURRENT_LIST_DIR}/MorseTable.cpp)
target_include_directories(tandem_morse PUBLIC ${CMAKE_CURRENT_LIST_DIR})
