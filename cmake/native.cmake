# Native (Linux) extras: developer tools, benchmarks and fuzz targets over the portable layers.

file(GLOB QM_TITLEDUMP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/titledump/*.cpp)
if(QM_TITLEDUMP_SOURCES)
  add_executable(titledump ${QM_TITLEDUMP_SOURCES})
  target_link_libraries(titledump PRIVATE qm_media)
  target_include_directories(titledump PRIVATE ${CMAKE_SOURCE_DIR}/tools)
  if(BUILD_TESTING)
    add_test(NAME titledump.walk
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/titledump_test.sh $<TARGET_FILE:titledump>)
    set_tests_properties(titledump.walk PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
  endif()
endif()

if(QM_BENCH)
  find_package(benchmark REQUIRED)
  file(GLOB QM_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_bench.cpp)
  foreach(src ${QM_BENCH_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE qm_media benchmark::benchmark)
  endforeach()

  # The I/O floor of bench/title_bench.sh: a plain program, not a Google Benchmark binary.
  add_executable(floor ${CMAKE_SOURCE_DIR}/bench/floor.cpp)
  target_include_directories(floor PRIVATE ${CMAKE_SOURCE_DIR}/tools)
endif()

if(QM_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "QM_FUZZ needs clang (use the 'fuzz' preset)")
  endif()
  # The code under test needs the coverage instrumentation too, or the fuzzer runs blind.
  target_compile_options(qm_core PRIVATE -fsanitize=fuzzer-no-link)
  target_compile_options(qm_media PRIVATE -fsanitize=fuzzer-no-link)
  file(GLOB QM_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/fuzz_*.cpp)
  foreach(src ${QM_FUZZ_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE qm_media)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  endforeach()
endif()
