# Compiles small probes with the include directories one library really has:
# an include of a library it links must build, an include of one it does not
# link must not. Run by ctest with -DCOMPILER=... -DINCLUDES=... -DWORK=...
set(flags -std=c++20 -fsyntax-only)
foreach(dir ${INCLUDES})
  list(APPEND flags -I${dir})
endforeach()

function(probe name header expect_success)
  set(source ${WORK}/${name}.cpp)
  file(WRITE ${source} "#include \"${header}\"\nint main() { return 0; }\n")
  execute_process(COMMAND ${COMPILER} ${flags} ${source}
                  RESULT_VARIABLE result ERROR_VARIABLE errors OUTPUT_QUIET)
  if(expect_success AND NOT result EQUAL 0)
    message(FATAL_ERROR "${header} should be in reach and is not:\n${errors}")
  endif()
  if(NOT expect_success)
    if(result EQUAL 0)
      message(FATAL_ERROR "${header} should be out of reach and builds")
    endif()
    if(NOT errors MATCHES "No such file")
      message(FATAL_ERROR "${header} failed for another reason than being out of reach:\n${errors}")
    endif()
  endif()
endfunction()

file(MAKE_DIRECTORY ${WORK})
# The console layer: the machine services and the text types, nothing above.
probe(console_own "console/console.h" TRUE)
probe(console_platform "platform/platform.h" TRUE)
probe(console_text "text/text_utils.h" TRUE)
probe(console_sound "sound/outputs.h" FALSE)
probe(console_player "player/interpreter.h" FALSE)
probe(console_back_end "platform/fake/fake_platform.h" FALSE)
