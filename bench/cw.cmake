# Streaming benchmark of the CW message engine: the real frame keying through the keyer emulator
# in real time at 50 WPM with a full log (see StreamBench.cpp).
if(WIN32 AND TANDEM_BENCH)
  add_executable(bench_stream WIN32 ${CMAKE_CURRENT_LIST_DIR}/StreamBench.cpp)
  target_link_libraries(bench_stream PRIVATE tandem_app tandem_res)
  target_include_directories(bench_stream PRIVATE ${PROJECT_SOURCE_DIR}/sim/keyport)
  if(MINGW)
    # A console program, so that the figures reach the caller's standard output.
    target_link_options(bench_stream PRIVATE -mconsole)
  endif()
  add_dependencies(bench_stream keyport)
endif()
