# Settings for the MinGW-w64 cross build (cmake/toolchain-mingw64.cmake).

# Header-only libraries come from the build machine's /usr/include, which the
# cross compiler must not search as a whole (glibc headers live there too):
# only the needed folders are linked into one include folder.
set(VT_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${VT_HOST_HEADERS})
foreach(dir CLI toml++ nlohmann)
  if(EXISTS /usr/include/${dir} AND NOT EXISTS ${VT_HOST_HEADERS}/${dir})
    file(CREATE_LINK /usr/include/${dir} ${VT_HOST_HEADERS}/${dir} SYMBOLIC)
  endif()
endforeach()
include_directories(SYSTEM ${VT_HOST_HEADERS})

# Windows 10 API level; keeps windows.h lean.
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 WIN32_LEAN_AND_MEAN NOMINMAX
  UNICODE _UNICODE)

# MinGW's GCC 12 reports std::string copies inlined at -O2 as overlapping
# memcpy (a known false positive of that release's -Wrestrict).
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict>)

# GoogleTest is built from Debian's source package (googletest) for the
# cross build; the Linux builds use the installed libraries.
if(VELOTRACK_BUILD_TESTS)
  set(VT_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VT_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  foreach(lib gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${lib})
      add_library(GTest::${lib} ALIAS ${lib})
    endif()
  endforeach()
endif()

# velotrack_windows_resources(TARGET NAME DESCRIPTION)
# Gives a console program the version resource every Windows program has
# (the file's Properties > Details, installers, support) and the
# application icon.
function(velotrack_windows_resources target name description)
  set(VT_RC_NAME ${name})
  set(VT_RC_DESCRIPTION ${description})
  set(VT_RC_ICON ${PROJECT_SOURCE_DIR}/src/shell/windows/velotrack-panel.ico)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows-version.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${name}-version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${name}-version.rc)
endfunction()
