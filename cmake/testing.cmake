# Every test runs through tests/hermetic.sh: a home, XDG folders and a
# runtime folder of its own, no LIRKEL_* variable and a known locale, so the
# files and the sound server of whoever runs the tests cannot change a
# result. Tests of scripts name it first in their command; test programs get
# it from lirkel_test_programs(), as what CTest starts them with (also to
# list their cases).
set(LIRKEL_HERMETIC ${PROJECT_SOURCE_DIR}/tests/hermetic.sh)

# The test command compiles each test program's files in batches (GoogleTest
# is then read and instantiated once a batch, not once a file: a fifth of
# the compile time); a developer's build compiles them one by one, so that
# editing one recompiles one.
option(LIRKEL_UNITY_TESTS "Compile the test programs' files in batches" OFF)

function(lirkel_test_programs)
  set_target_properties(${ARGN} PROPERTIES CROSSCOMPILING_EMULATOR ${LIRKEL_HERMETIC}
                                           UNITY_BUILD ${LIRKEL_UNITY_TESTS} UNITY_BUILD_BATCH_SIZE 16)
  # A batch #includes each file, so GCC takes a fixture in a file's own
  # anonymous namespace for one declared in a header and warns of it.
  if(LIRKEL_UNITY_TESTS AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    foreach(program IN LISTS ARGN)
      target_compile_options(${program} PRIVATE -Wno-subobject-linkage)
    endforeach()
  endif()
endfunction()
