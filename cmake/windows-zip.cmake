# The Windows download: a ZIP with lirkel.exe (static, stripped), README.txt
# (Windows-1252, CR LF) and the licence, made with `cpack -G ZIP` in a
# Windows build directory. All three lie at the top of the archive's folder.
set(CMAKE_INSTALL_BINDIR . CACHE PATH "Where lirkel.exe is installed")
install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME lirkel)
set(CPACK_PACKAGE_VENDOR "Lirkel")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(CPACK_SYSTEM_NAME win32)
else()
  set(CPACK_SYSTEM_NAME win64)
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
