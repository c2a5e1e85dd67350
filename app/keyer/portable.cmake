# The keyer binding's portable core: parameter arithmetic, the version text and the names an
# entry point may be exported under. Included by app/CMakeLists.txt; every configuration
# builds it.
add_library(tandem_keyer_core STATIC ${CMAKE_CURRENT_LIST_DIR}/KeyerMath.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EntryPointNames.cpp)
target_include_directories(tandem_keyer_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_compile_features(tandem_keyer_core PUBLIC cxx_std_17)
