# scripts/run builds every program the README lists among the build products, so that each program
# the README tells an operator to run is there after scripts/run. Run by CTest with -DSOURCE_DIR=.
cmake_minimum_required(VERSION 3.25)
file(READ "${SOURCE_DIR}/README.md" readme)
string(REGEX MATCH "Build products: programs in `<build>/bin` \\(([^)]*)\\)" listed "${readme}")
if(NOT listed)
  message(FATAL_ERROR "README.md: no \"Build products: programs in `<build>/bin` (...)\" sentence")
endif()
string(REGEX MATCHALL "`[^`]+`" programs "${CMAKE_MATCH_1}")

file(READ "${SOURCE_DIR}/scripts/run" run)
string(REGEX MATCH "--target ([^\n]*)" built "${run}")
separate_arguments(targets UNIX_COMMAND "${CMAKE_MATCH_1}")

set(missing "")
foreach(program IN LISTS programs)
  string(REPLACE "`" "" program "${program}")
  if(NOT program IN_LIST targets)
    list(APPEND missing "${program}")
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "scripts/run does not build: ${missing}")
endif()
