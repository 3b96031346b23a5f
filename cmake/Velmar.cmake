# Project helpers: tests and the run directory.

# Every data file the programs read by name is produced into ${VELMAR_RUN_DIR} by a target
# that joins `velmar_run_dir`; building `all` assembles the whole run directory.
add_custom_target(velmar_run_dir ALL)

# velmar_run_data(<target>): make <target> part of the run directory's assembly.
function(velmar_run_data target)
  add_dependencies(velmar_run_dir ${target})
endfunction()

# velmar_test(<name> SOURCES ... [LIBS ...] [LABELS ...])
# A GoogleTest program in ${VELMAR_TEST_DIR}, run through CTest case by case. The shared test
# main gives every process its own VELMAR.INI and shared-object name prefix.
# The label `threads` marks the tests of code that runs threads; `velmar_thread_tests` builds just
# those (and what they run), for the ThreadSanitizer pass of scripts/test.
include(GoogleTest)
add_custom_target(velmar_thread_tests)
function(velmar_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VELMAR_TEST_DIR})
  target_link_libraries(${name} PRIVATE velmar_test_main ${T_LIBS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  # The discovery script flattens a list of labels into its property pairs, so two labels would
  # break them: they are joined into one ("oracle-threads"). `ctest -L` takes a regular expression,
  # so -L oracle and -L threads both find such a test.
  string(REPLACE ";" "-" labels "${T_LABELS}")
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${VELMAR_RUN_DIR}
    DISCOVERY_MODE PRE_TEST
    NO_PRETTY_VALUES
    PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${labels}")
  add_dependencies(${name} velmar_run_dir)
  if("threads" IN_LIST T_LABELS)
    add_dependencies(velmar_thread_tests ${name})
  endif()
endfunction()

# velmar_add_subdirectories(): adds every folder below the current one that has a CMakeLists.txt.
function(velmar_add_subdirectories)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child ${children})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# velmar_generator(<target>): a build-time generator program, kept out of the programs in bin.
function(velmar_generator target)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/generators)
endfunction()

# velmar_benchmark(<target>): a benchmark program, in <build>/bench beside the others.
function(velmar_benchmark target)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
