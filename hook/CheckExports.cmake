# Run after TandemHook.dll is linked: fails the build when the library does not export what the
# main program and the loggers' hook chain rely on. The i686 build is only compiled and linked,
# so this is where a missing export in it shows.
# Arguments: -DOBJDUMP=<objdump> -DLIB=<TandemHook.dll>
execute_process(COMMAND ${OBJDUMP} -p ${LIB} OUTPUT_VARIABLE table RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot read the export table of ${LIB}")
endif()
foreach(name CHlHook5Start CHlHook4Stop SetDisplayWindow SetAction SetHookAnyway SetFollowLogger
             RequestMsg DispatchN1MM DispatchHL DispatchL32 HlHookProc MouseHookProc)
  if(NOT table MATCHES "\\] [_A-Za-z0-9]*${name}[_A-Za-z0-9@]*")
    message(FATAL_ERROR "${LIB} does not export ${name}")
  endif()
endforeach()
