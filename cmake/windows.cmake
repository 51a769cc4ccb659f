# The Windows program: framework, the two units, the built-in title shell, the resources.
enable_language(RC)

file(GLOB QM_WIN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/win/*.cpp
     ${CMAKE_SOURCE_DIR}/src/win/framework/*.cpp ${CMAKE_SOURCE_DIR}/src/win/framework/controls/*.cpp)
if(QM_WIN_SOURCES)
  add_library(qm_win STATIC ${QM_WIN_SOURCES})
  set(_scope PUBLIC)
else()
  add_library(qm_win INTERFACE)
  set(_scope INTERFACE)
endif()
target_link_libraries(qm_win ${_scope} qm_media qm_core
  comctl32 shell32 ole32 oleaut32 uuid version gdi32 user32 advapi32 kernel32)
# Built against Windows XP's API, the oldest system the program starts on: a call to anything
# newer fails the build, so such a function can only be looked up at run time with a fallback.
# scripts/check-imports.sh proves the result on the import tables.
target_compile_definitions(qm_win ${_scope} NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501 _WIN32_IE=0x0600)
target_include_directories(qm_win ${_scope} ${CMAKE_SOURCE_DIR}/src)

set(QM_STATIC_LINK -static -static-libgcc -static-libstdc++)

# XpTickCount.cpp keeps the static thread library's GetTickCount64 out of the import table.
add_executable(Quillmark WIN32 ${CMAKE_SOURCE_DIR}/src/main.cpp ${CMAKE_SOURCE_DIR}/src/XpTickCount.cpp
               ${CMAKE_SOURCE_DIR}/res/Quillmark.rc)
target_link_libraries(Quillmark PRIVATE qm_win)
target_link_options(Quillmark PRIVATE ${QM_STATIC_LINK} $<$<CONFIG:MinSizeRel,Release>:-s>)
set_target_properties(Quillmark PROPERTIES OUTPUT_NAME Quillmark)

if(BUILD_TESTING)
  qm_add_gtest(win_tests tests/win qm_win)
  if(TARGET win_tests)
    target_link_options(win_tests PRIVATE ${QM_STATIC_LINK})
    # The tests start the real program too; they find it beside themselves.
    add_dependencies(win_tests Quillmark)
    # Executables whose version resources the version-string tests read (one has none).
    set(_fixtures ${CMAKE_SOURCE_DIR}/tests/win/fixtures)
    add_executable(vfix_none ${_fixtures}/fixture_main.c)
    add_dependencies(win_tests vfix_none)
    foreach(_name two_translations blank_values no_translation)
      add_executable(vfix_${_name} ${_fixtures}/fixture_main.c ${_fixtures}/${_name}.rc)
      add_dependencies(win_tests vfix_${_name})
    endforeach()
  endif()
  # End-to-end journeys drive the real exe under Wine from outside, as a user would.
  file(GLOB QM_E2E_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*_test.sh)
  foreach(script ${QM_E2E_SCRIPTS})
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME e2e.${name} COMMAND bash ${script} $<TARGET_FILE:Quillmark>)
    set_tests_properties(e2e.${name} PROPERTIES RUN_SERIAL TRUE TIMEOUT 600)
  endforeach()
endif()

# --- End-to-end journey helpers ---------------------------------------------------------------
# lvprobe looks at the running program from outside (its list rows, where its controls lie on
# the screen); the journey finds it beside Quillmark.exe. The X drag-and-drop source is a host
# program that the journey compiles itself.
if(BUILD_TESTING)
  add_executable(lvprobe ${CMAKE_SOURCE_DIR}/tests/e2e/lvprobe.cpp)
  target_include_directories(lvprobe PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_definitions(lvprobe PRIVATE NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0600)
  target_link_libraries(lvprobe PRIVATE comctl32 shell32 user32 kernel32)
  target_link_options(lvprobe PRIVATE ${QM_STATIC_LINK})
  # The journeys need the program and the probe built, not the other way round: building the
  # program alone (as run.sh does) builds no test helper. A test run of a tree in which only the
  # program was built brings both up to date first.
  if(QM_E2E_SCRIPTS)
    add_test(NAME e2e.build_helpers
             COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target Quillmark lvprobe)
    set_tests_properties(e2e.build_helpers PROPERTIES FIXTURES_SETUP e2e_helpers TIMEOUT 600)
    foreach(script ${QM_E2E_SCRIPTS})
      get_filename_component(name ${script} NAME_WE)
      set_tests_properties(e2e.${name} PROPERTIES FIXTURES_REQUIRED e2e_helpers)
    endforeach()
  endif()
  # A journey that cannot run yet says "SKIP:" and exits 0; CTest shows it as skipped.
  if(TEST e2e.journey_test)
    set_tests_properties(e2e.journey_test PROPERTIES SKIP_REGULAR_EXPRESSION "SKIP:")
  endif()
endif()
