# Writes the template of the program's messages:
#   cmake -DSOURCE=<source root> -DVERSION=<version> -DOUTPUT=<file.pot>
#         -DWORK=<scratch folder> -P make_template.cmake
# It holds every text given to message() in the program's sources, the
# sentences the sound back ends answer when they fail (a sound or MIDI-file
# problem is reported in the user's language too), and the texts they mark
# with phrase() (the labels and lines of --sound-check).
find_program(XGETTEXT xgettext REQUIRED)
file(GLOB_RECURSE sources RELATIVE ${SOURCE}
  ${SOURCE}/console/*.cpp ${SOURCE}/driver/*.cpp ${SOURCE}/library/*.cpp ${SOURCE}/midi/*.cpp
  ${SOURCE}/player/*.cpp)
list(SORT sources)

# The failure sentences: a string literal of a sound back end that begins
# with a capital letter, holds a blank and ends with a full stop.
file(GLOB_RECURSE sound RELATIVE ${SOURCE} ${SOURCE}/sound/*.cpp)
list(SORT sound)
file(MAKE_DIRECTORY ${WORK})
set(sentence "\"[A-Z][^\"]* [^\"]*\\.\"")
set(sentences "")
foreach(file ${sound})
  file(STRINGS ${SOURCE}/${file} lines REGEX "${sentence}")
  foreach(line ${lines})
    if(line MATCHES "^ *//")
      continue()
    endif()
    string(REGEX MATCHALL "${sentence}" texts "${line}")
    foreach(text ${texts})
      string(APPEND sentences "// TRANSLATORS: reported by ${file}\nmessage(${text});\n")
    endforeach()
  endforeach()
endforeach()
file(WRITE ${WORK}/sound_failures.cpp "${sentences}")

execute_process(
  COMMAND ${XGETTEXT} --language=C++ --from-code=UTF-8 --keyword= --keyword=message
    --keyword=phrase --flag=message:1:c-format --flag=phrase:1:c-format
    --add-comments=TRANSLATORS --sort-by-file
    --package-name=lirkel --package-version=${VERSION} --msgid-bugs-address=lirkel@example.org
    --directory=${SOURCE} --directory=${WORK} -o ${OUTPUT} ${sources} ${sound} sound_failures.cpp
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "xgettext failed: ${result}")
endif()
