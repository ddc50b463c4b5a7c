# The libraries of a Windows build (cmake/toolchain-mingw64.cmake). Debian builds none of
# them for MinGW, but ships header-only or source forms, which are built here for Windows:
#   PNG            stb_image and stb_image_write (libstb-dev), behind platform/PngCodec.h
#   nlohmann/json  header-only, as on Linux
#   GoogleTest     built from Debian's sources in /usr/src/googletest (tests/CMakeLists.txt)
# Cross-built, their headers are reached through links in an include root of their own, so
# the build machine's /usr/include, whose headers are Linux's, is never on a Windows include
# path. Built on Windows, CORVANE_HOST_INCLUDE is the folder that holds them (README).
set(CORVANE_HOST_INCLUDE /usr/include CACHE PATH
  "Folder of the build machine's header-only libraries (nlohmann, stb)")
set(CORVANE_THIRD_PARTY_ROOT ${CMAKE_BINARY_DIR}/include-roots/third-party)

function(corvane_header_library target folder)
  if(NOT EXISTS ${CORVANE_HOST_INCLUDE}/${folder})
    message(FATAL_ERROR "${CORVANE_HOST_INCLUDE}/${folder} is missing: run scripts/install-deps")
  endif()
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  if(NOT CMAKE_CROSSCOMPILING)
    target_include_directories(${target} SYSTEM INTERFACE ${CORVANE_HOST_INCLUDE})
    return()
  endif()
  file(MAKE_DIRECTORY ${CORVANE_THIRD_PARTY_ROOT})
  if(NOT EXISTS ${CORVANE_THIRD_PARTY_ROOT}/${folder})
    file(CREATE_LINK ${CORVANE_HOST_INCLUDE}/${folder} ${CORVANE_THIRD_PARTY_ROOT}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} SYSTEM INTERFACE ${CORVANE_THIRD_PARTY_ROOT})
endfunction()

corvane_header_library(nlohmann_json::nlohmann_json nlohmann)
# Included as "stb/stb_image.h".
corvane_header_library(corvane_stb stb)
