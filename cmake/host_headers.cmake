# Header-only libraries taken from Debian's packages (CLI11, nlohmann/json,
# stb, tinygltf). Each library's own folder under /usr/include (or its one
# header, as tiny_gltf.h) is linked into a private include folder of the
# build, so that a target sees those headers alone and never the host's whole
# /usr/include: the mingw build must not pick up the host's C library headers.
function(pv_use_host_headers target)
  set(dir ${CMAKE_BINARY_DIR}/host-headers)
  foreach(library IN LISTS ARGN)
    if(NOT EXISTS /usr/include/${library})
      message(FATAL_ERROR "/usr/include/${library} is missing: run scripts/install-deps.sh")
    endif()
    if(NOT EXISTS ${dir}/${library})
      file(MAKE_DIRECTORY ${dir})
      file(CREATE_LINK /usr/include/${library} ${dir}/${library} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} SYSTEM PRIVATE ${dir})
endfunction()
