# Configures and builds the program with sound switched off (tests left out).
# cmake -DSOURCE=... -DBINARY=... -DGENERATOR=... -DBUILD_TYPE=... -P build_sound_off.cmake
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -G ${GENERATOR}
          -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DLIRKEL_SOUND=OFF -DLIRKEL_BUILD_TESTS=OFF
  RESULT_VARIABLE configured)
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "configuring the sound-off build failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY} --target lirkel -j 2
                RESULT_VARIABLE built)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "building the sound-off program failed")
endif()
