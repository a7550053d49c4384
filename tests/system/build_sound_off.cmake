# Configures and builds the program with sound switched off (tests left out),
# with the compiler flags of the build that tests it.
# cmake -DSOURCE=... -DBINARY=... -DGENERATOR=... -DBUILD_TYPE=... -DBUILD_TYPE_FLAGS=...
#       -P build_sound_off.cmake
string(TOUPPER "${BUILD_TYPE}" build_type)
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -G ${GENERATOR}
          -DCMAKE_BUILD_TYPE=${BUILD_TYPE} "-DCMAKE_CXX_FLAGS_${build_type}=${BUILD_TYPE_FLAGS}"
          -DLIRKEL_SOUND=OFF -DLIRKEL_BUILD_TESTS=OFF
  RESULT_VARIABLE configured)
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "configuring the sound-off build failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY} --target lirkel -j 2
                RESULT_VARIABLE built)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "building the sound-off program failed")
endif()
