# mekira_add_test(<name> SOURCES <files...> LIBS <targets...> [GUI] [TIMEOUT <s>])
# GUI marks tests that open widgets (label "gui").
# One Qt Test executable registered with CTest. GUI tests run on the offscreen
# platform; every test gets a private XDG_RUNTIME_DIR and HOME so that nothing
# leaks between runs or into the user's own settings.
function(mekira_add_test name)
  cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test mekira_test_support ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set(runtime_dir "${CMAKE_BINARY_DIR}/test-runtime/${name}")
  file(MAKE_DIRECTORY "${runtime_dir}")
  set(env "XDG_RUNTIME_DIR=${runtime_dir}" "HOME=${runtime_dir}" "LANG=C.UTF-8"
          "MEKIRA_TEST_OUTPUT=${CMAKE_BINARY_DIR}/test-output"
          # GUI tests and widget-free ones alike: no test may need a display.
          "QT_QPA_PLATFORM=offscreen")
  if(MEKIRA_SANITIZE)
    # Programs the tests start (the real binary in the process tests) inherit these.
    list(APPEND env
      "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1"
      "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT})
  if(T_GUI)
    set_tests_properties(${name} PROPERTIES LABELS gui)
  endif()
endfunction()
