# GoogleTest from the distribution's sources, built for whichever target this tree builds.
set(QM_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(BUILD_TESTING)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${QM_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  include(GoogleTest)
endif()

# qm_add_gtest(name folder): one test binary from every .cpp in the folder.
# Natively each test case becomes a CTest test; under Wine the sources are scanned instead of
# running the binary at build time, which keeps the build fast.
function(qm_add_gtest name folder)
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  add_executable(${name} ${_sources})
  target_link_libraries(${name} PRIVATE GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE QM_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data"
                                             QM_BINARY_DIR="${CMAKE_BINARY_DIR}")
  if(CMAKE_CROSSCOMPILING)
    target_link_options(${name} PRIVATE -static)
    gtest_add_tests(TARGET ${name} SOURCES ${_sources} TEST_LIST _tests)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
