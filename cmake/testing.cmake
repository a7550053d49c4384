# Every test runs through tests/hermetic.sh: a home, XDG folders and a
# runtime folder of its own, no LIRKEL_* variable and a known locale, so the
# files and the sound server of whoever runs the tests cannot change a
# result. Tests of scripts name it first in their command; test programs get
# it from lirkel_hermetic_tests(), as what CTest starts them with (also to
# list their cases).
set(LIRKEL_HERMETIC ${PROJECT_SOURCE_DIR}/tests/hermetic.sh)

function(lirkel_hermetic_tests)
  set_target_properties(${ARGN} PROPERTIES CROSSCOMPILING_EMULATOR ${LIRKEL_HERMETIC})
endfunction()
