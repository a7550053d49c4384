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

# The manual page, compressed as Debian keeps them; man reads it either way.
set(LIRKEL_MAN_PAGE ${CMAKE_CURRENT_BINARY_DIR}/lirkel.1.gz)
add_custom_command(OUTPUT ${LIRKEL_MAN_PAGE}
  COMMAND gzip -9 -n -c ${CMAKE_CURRENT_SOURCE_DIR}/doc/lirkel.1 > ${LIRKEL_MAN_PAGE}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/doc/lirkel.1
  COMMENT "Compressing the manual page")
add_custom_target(lirkel_man_page ALL DEPENDS ${LIRKEL_MAN_PAGE})
install(FILES ${LIRKEL_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Bash completion of song titles. A small tool linked with the library prints
# the titles title search can reach; the completion script is written from
# its output whenever the library changes, so it never goes stale.
# The tool uses nothing of the machine; the scripted one satisfies the linker
# for the console code that sits beside the title rule.
add_library(lirkel_completion_titles STATIC completion/titles.cpp)
lirkel_headers(lirkel_completion_titles completion/titles.h)
target_link_libraries(lirkel_completion_titles PUBLIC lirkel_library)
add_executable(lirkel_list_titles completion/list_titles.cpp)
target_link_libraries(lirkel_list_titles PRIVATE lirkel_completion_titles lirkel_core)
lirkel_link_system(lirkel_list_titles fake)
set(LIRKEL_COMPLETION ${CMAKE_CURRENT_BINARY_DIR}/completion/lirkel)
add_custom_command(OUTPUT ${LIRKEL_COMPLETION}
  COMMAND ${CMAKE_COMMAND} -DTITLES_TOOL=$<TARGET_FILE:lirkel_list_titles>
    -DTEMPLATE=${CMAKE_CURRENT_SOURCE_DIR}/completion/lirkel.bash.in
    -DOUTPUT=${LIRKEL_COMPLETION} -P ${CMAKE_CURRENT_SOURCE_DIR}/completion/write_completion.cmake
  DEPENDS lirkel_list_titles ${CMAKE_CURRENT_SOURCE_DIR}/completion/lirkel.bash.in
    ${CMAKE_CURRENT_SOURCE_DIR}/completion/write_completion.cmake
  COMMENT "Writing the bash completion of song titles")
add_custom_target(lirkel_completion ALL DEPENDS ${LIRKEL_COMPLETION})
install(FILES ${LIRKEL_COMPLETION} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# The Debian package. Its files sit under the same prefix the program was
# compiled for (configure with -DCMAKE_INSTALL_PREFIX=/usr for a package in
# the usual place), so the compiled-in MIDI directory is the packaged one.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lirkel)
set(CPACK_PACKAGE_VENDOR "Lirkel")
set(CPACK_PACKAGE_CONTACT "Lirkel maintainers <lirkel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${PROJECT_DESCRIPTION}
 lirkel plays one tune and exits: note text written on the command line
 (lirkel G3EGEGE), a song from its built-in library found by the first five
 letters of its title, or a random song. Handy at the end of a long build:
 make && lirkel G3EGEGE || lirkel -")
# Depends: the libraries the program is linked with, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A General MIDI SoundFont gives the synthesizer its instruments.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fluid-soundfont-gm | timgm6mb-soundfont")
include(CPack)

if(LIRKEL_BUILD_TESTS)
  add_subdirectory(tests/packaging)
endif()
