# From the logger's F2 to the keyer emulator inside Tandem, against a bare WM_COPYDATA round trip.
if(WIN32 AND TANDEM_BENCH)
  add_executable(bench_link LinkBench.cpp)
  target_link_libraries(bench_link PRIVATE LoggerSimClient)
  add_dependencies(bench_link Tandem LoggerSim keyport)
endif()
