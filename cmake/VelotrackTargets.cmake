# Helpers that keep every folder's CMakeLists.txt to a few lines.
# Sources are picked up by folder, so adding a file never needs a build edit.

function(velotrack_warnings target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic -Wshadow -Wconversion
      -Wno-sign-conversion -Wnon-virtual-dtor -Woverloaded-virtual>)
endfunction()

# Code for one system is named after it: name_posix.cpp is built on POSIX
# systems only, name_linux.cpp on Linux only, name_windows.cpp on Windows
# only (a pair name_posix.cpp / name_windows.cpp holds the two systems'
# sides of one file). The same goes for tests (name_posix_test.cpp).
function(velotrack_system_sources list_var)
  set(srcs ${${list_var}})
  foreach(src IN LISTS srcs)
    if((src MATCHES "_posix(_test)?\\.cpp$" AND WIN32) OR
       (src MATCHES "_windows(_test)?\\.cpp$" AND NOT WIN32) OR
       (src MATCHES "_linux(_test)?\\.cpp$" AND NOT CMAKE_SYSTEM_NAME STREQUAL "Linux"))
      list(REMOVE_ITEM srcs "${src}")
    endif()
  endforeach()
  set(${list_var} ${srcs} PARENT_SCOPE)
endfunction()

# Unity builds (CMAKE_UNITY_BUILD, on in the presets) compile a folder's
# files eight to a unit, which parses the heavy headers once per unit. A file
# whose file-local names clash with a neighbour's is listed under ALONE and
# compiled by itself.
function(velotrack_alone)
  if(ARGN)
    set_source_files_properties(${ARGN} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
  endif()
endfunction()

# velotrack_library(NAME [DEPS targets...] [SOURCES extra...] [ALONE files...])
# Builds a static library from every .cpp in the calling folder.
function(velotrack_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES;ALONE" ${ARGN})
  velotrack_alone(${ARG_ALONE})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  velotrack_system_sources(srcs)
  add_library(${name} STATIC ${srcs} ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  velotrack_warnings(${name})
endfunction()

# The cross build is a release build; its test programs are compiled with
# -O1, which halves their compile time and changes nothing they check.
function(velotrack_test_optimisation target)
  if(CMAKE_CROSSCOMPILING)
    target_compile_options(${target} PRIVATE -O1)
  endif()
endfunction()

# velotrack_test(NAME [DEPS targets...] [ALONE files...])
# One GoogleTest executable from every .cpp in the calling folder.
function(velotrack_test name)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES;ALONE" ${ARGN})
  velotrack_alone(${ARG_ALONE})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  velotrack_system_sources(srcs)
  add_executable(${name} ${srcs} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  velotrack_warnings(${name})
  velotrack_test_optimisation(${name})
  if(CMAKE_CROSSCOMPILING)
    # Under an emulator (Wine) every start costs a second or two: one test
    # per executable instead of one per case.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix)
  else()
    include(GoogleTest)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
endfunction()

# Adds every direct subfolder of the calling folder that has a CMakeLists.txt.
function(velotrack_add_subfolders)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child}
       AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# velotrack_generated_docs(PROGRAM TOOL)
# Runs the program's documents tool (docgen::RunDocsTool) at build time for
# its bash, zsh and fish completions and its man page, and installs them.
# A cross build cannot run the tool, so it goes without them.
function(velotrack_generated_docs program tool)
  if(CMAKE_CROSSCOMPILING)
    return()
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR})
  set(outputs ${dir}/${program}.bash ${dir}/_${program} ${dir}/${program}.fish ${dir}/${program}.1)
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${tool} bash ${dir}/${program}.bash
    COMMAND ${tool} zsh ${dir}/_${program}
    COMMAND ${tool} fish ${dir}/${program}.fish
    COMMAND ${tool} man ${dir}/${program}.1
    DEPENDS ${tool}
    COMMENT "Generating the ${program} completions and man page")
  add_custom_target(${tool}_run ALL DEPENDS ${outputs})
  include(GNUInstallDirs)
  install(FILES ${dir}/${program}.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          RENAME ${program} COMPONENT panel)
  install(FILES ${dir}/_${program} DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions COMPONENT panel)
  install(FILES ${dir}/${program}.fish DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d COMPONENT panel)
  velotrack_man_page(${dir}/${program}.1 ${tool}_run)
endfunction()

# velotrack_man_page(PAGE [TARGET])
# Installs the man page PAGE compressed (gzip -9n, as Debian keeps them); a
# page made at build time names the TARGET that makes it.
function(velotrack_man_page page)
  get_filename_component(name ${page} NAME)
  set(gz ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND gzip -9nc ${page} > ${gz}
    DEPENDS ${page} ${ARGN}
    COMMENT "Compressing the man page ${name}")
  string(REPLACE "." "_" gz_target "${name}_gz")
  add_custom_target(${gz_target} ALL DEPENDS ${gz})
  include(GNUInstallDirs)
  install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT panel)
endfunction()
