# GoogleTest from the distribution's sources, built for whichever target this tree builds.
set(QM_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(BUILD_TESTING)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${QM_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  include(GoogleTest)
endif()

# qm_add_gtest(name folder lib...): one test binary from every .cpp in the folder and the folders
# beneath it (which mirror the source folders), linked with the given libraries.
# Each binary is one CTest test (gtest reports its cases). A Windows binary runs under Wine once
# with the Japanese ANSI code page (932) and once with the Western one (1252); tests that need
# one code page check GetACP() and skip under the other.
function(qm_add_gtest name folder)
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT _sources)
    return()  # nothing to test yet
  endif()
  add_executable(${name} ${_sources})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE QM_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data"
                                             QM_BINARY_DIR="${CMAKE_BINARY_DIR}")
  if(CMAKE_CROSSCOMPILING)
    target_link_options(${name} PRIVATE -static)
    add_test(NAME ${name}.cp932 COMMAND ${name} --gtest_color=no)
    set_tests_properties(${name}.cp932 PROPERTIES ENVIRONMENT "LANG=ja_JP.UTF-8;LC_ALL=ja_JP.UTF-8" TIMEOUT 900)
    add_test(NAME ${name}.cp1252 COMMAND ${name} --gtest_color=no)
    set_tests_properties(${name}.cp1252 PROPERTIES ENVIRONMENT "LANG=C.UTF-8;LC_ALL=C.UTF-8" TIMEOUT 900)
  else()
    # One process per binary: suites with a shared fixture (the ffmpeg corpus) set it up once.
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    set_tests_properties(${name} PROPERTIES TIMEOUT 900)
  endif()
endfunction()
