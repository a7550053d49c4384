# Each folder of the program is a library of its own, and a library sees only
# the headers of the libraries it links: lirkel_headers() gives a library an
# include root of its own holding links to exactly its headers, so including
# a header of a library that is not linked fails to build.

# lirkel_headers(TARGET header...): headers named from the source root, as
# the code includes them ("player/interpreter.h").
function(lirkel_headers target)
  set(root ${PROJECT_BINARY_DIR}/include/${target})
  foreach(header ${ARGN})
    get_filename_component(folder ${root}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${header} ${root}/${header} SYMBOLIC COPY_ON_ERROR)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# lirkel_folder_headers(TARGET folder): every header of a folder (not of its
# subfolders).
function(lirkel_folder_headers target folder)
  file(GLOB headers RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/${folder}/*.h ${PROJECT_SOURCE_DIR}/${folder}/*.inc)
  lirkel_headers(${target} ${headers})
endfunction()
