# Installing lirkel the way Linux tools are installed, and packaging it as a
# Debian package (cpack -G DEB, run in the build directory).
include(GNUInstallDirs)

install(TARGETS lirkel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The rest is for Linux builds that run here (not the fuzzing build).
if(NOT UNIX OR CMAKE_CROSSCOMPILING OR LIRKEL_FUZZ)
  return()
endif()

# The last place lirkel looks for MIDI files; platform/linux compiles in the
# same path under the installation prefix.
install(DIRECTORY DESTINATION share/lirkel/midi)
# Songs installed for everyone go in share/lirkel/songs/; the example
# songbook lies in a folder below, which the title search does not read.
install(FILES library/examples/jingles.txt DESTINATION share/lirkel/songs/examples)

install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The changelog, in Debian's form, made from CHANGELOG.md and compressed
# without a time stamp so that the package is the same whenever it is built.
set(LIRKEL_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
set(LIRKEL_MAINTAINER "Lirkel maintainers <lirkel@example.org>")
add_custom_command(OUTPUT ${LIRKEL_CHANGELOG}
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_CURRENT_SOURCE_DIR}/CHANGELOG.md
    -DOUTPUT=${CMAKE_CURRENT_BINARY_DIR}/changelog "-DMAINTAINER=${LIRKEL_MAINTAINER}"
    -P ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian_changelog.cmake
  COMMAND gzip -9 -n -f ${CMAKE_CURRENT_BINARY_DIR}/changelog
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/CHANGELOG.md
    ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian_changelog.cmake
  COMMENT "Writing the changelog"
  VERBATIM)
add_custom_target(lirkel_changelog ALL DEPENDS ${LIRKEL_CHANGELOG})
install(FILES ${LIRKEL_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The manual page, compressed as Debian keeps them; man reads it either way.
set(LIRKEL_MAN_PAGE ${CMAKE_CURRENT_BINARY_DIR}/lirkel.1.gz)
add_custom_command(OUTPUT ${LIRKEL_MAN_PAGE}
  COMMAND gzip -9 -n -c ${CMAKE_CURRENT_SOURCE_DIR}/doc/lirkel.1 > ${LIRKEL_MAN_PAGE}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/doc/lirkel.1
  COMMENT "Compressing the manual page")
add_custom_target(lirkel_man_page ALL DEPENDS ${LIRKEL_MAN_PAGE})
install(FILES ${LIRKEL_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Shell completion of song titles and switches, for bash, zsh and fish. A
# small tool linked with the library prints the titles title search can
# reach; each shell's script is written from its template and that list
# whenever the library changes, so it never goes stale.
# The tool uses nothing of the machine; the scripted one satisfies the linker
# for the console code that sits beside the title rule.
add_library(lirkel_completion_titles STATIC completion/titles.cpp)
lirkel_headers(lirkel_completion_titles completion/titles.h)
target_link_libraries(lirkel_completion_titles PUBLIC lirkel_library)
add_executable(lirkel_list_titles completion/list_titles.cpp)
target_link_libraries(lirkel_list_titles PRIVATE lirkel_completion_titles lirkel_core)
lirkel_link_system(lirkel_list_titles fake)
# SHELL TEMPLATE OUTPUT DESTINATION, four at a time: where each shell looks.
# zsh reads packages' completions from /usr/share/zsh/vendor-completions and
# those of a local install from <prefix>/share/zsh/site-functions.
set(LIRKEL_ZSH_COMPLETIONS site-functions)
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(LIRKEL_ZSH_COMPLETIONS vendor-completions)
endif()
set(LIRKEL_COMPLETIONS
  bash lirkel.bash.in lirkel ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  zsh _lirkel.zsh.in _lirkel ${CMAKE_INSTALL_DATADIR}/zsh/${LIRKEL_ZSH_COMPLETIONS}
  fish lirkel.fish.in lirkel.fish ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
set(LIRKEL_COMPLETION_FILES)
while(LIRKEL_COMPLETIONS)
  list(POP_FRONT LIRKEL_COMPLETIONS shell template name destination)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/completion/${shell}/${name})
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DTITLES_TOOL=$<TARGET_FILE:lirkel_list_titles>
      -DTEMPLATE=${CMAKE_CURRENT_SOURCE_DIR}/completion/${template} -DOUTPUT=${output}
      -DSHELL=${shell} -P ${CMAKE_CURRENT_SOURCE_DIR}/completion/write_completion.cmake
    DEPENDS lirkel_list_titles ${CMAKE_CURRENT_SOURCE_DIR}/completion/${template}
      ${CMAKE_CURRENT_SOURCE_DIR}/completion/write_completion.cmake
    COMMENT "Writing the ${shell} completion"
    VERBATIM)
  list(APPEND LIRKEL_COMPLETION_FILES ${output})
  install(FILES ${output} DESTINATION ${destination})
endwhile()
add_custom_target(lirkel_completion ALL DEPENDS ${LIRKEL_COMPLETION_FILES})

# The Debian package. Its files sit under the same prefix the program was
# compiled for (configure with -DCMAKE_INSTALL_PREFIX=/usr for a package in
# the usual place), so the compiled-in MIDI directory is the packaged one.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lirkel)
set(CPACK_PACKAGE_VENDOR "Lirkel")
set(CPACK_PACKAGE_CONTACT "${LIRKEL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# CPack puts the summary first and indents each line of this text.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Lirkel plays one tune and exits, so that a long job can end with a sound
that says it is done, and how it went: make && lirkel G3EGEGE || lirkel -

A tune is note text written on the command line, a song of its built-in
library or of your own songbooks found by the first letters of its title,
or a Standard MIDI File. Titles and lyrics print in time; a key stops it.
It plays through FluidSynth with a General MIDI SoundFont when both are
installed, else as plain tones, and can save a tune as MIDI or WAV.")
# Depends: the libraries the program is linked with, as dpkg-shlibdeps finds
# them (ALSA and the C and C++ runtimes). FluidSynth is opened when a tune
# plays, if it is installed, and gives the tunes their instruments together
# with a General MIDI SoundFont. The client library of a PulseAudio or
# PipeWire server (libpulse0) is opened the same way, to name its streams.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libfluidsynth3, libpulse0, fluid-soundfont-gm | timgm6mb-soundfont")
include(CPack)

if(LIRKEL_BUILD_TESTS)
  add_subdirectory(tests/packaging)
endif()
