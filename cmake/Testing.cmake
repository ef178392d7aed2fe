# vad_add_test(<subsystem> <module> [WIDGET] [LIBS lib...] [SOURCES file...]
#              [SKIPPABLE name=filter...])
# Builds tests/<subsystem>/<module>_test.cpp against the given libraries.
# Each SKIPPABLE entry is a GoogleTest filter for cases that may skip
# themselves on some machines; they run as a ctest test of their own,
# <subsystem>.<module>.<name>, which ctest reports as skipped when they do
# (exit status 77), so a skip never hides among passed cases.
# WIDGET tests get a QApplication (tests/support/widget_main.cpp) and run
# on the offscreen platform, so no display server is needed.
function(vad_add_test subsystem module)
  cmake_parse_arguments(ARG "WIDGET" "" "LIBS;SOURCES;SKIPPABLE" ${ARGN})
  set(target ${subsystem}_${module}_test)
  add_executable(${target} ${CMAKE_SOURCE_DIR}/tests/${subsystem}/${module}_test.cpp ${ARG_SOURCES})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  if(ARG_WIDGET)
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/widget_main.cpp)
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} Qt6::Widgets Qt6::Test GTest::gtest GTest::gmock)
  else()
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/core_main.cpp)
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} Qt6::Core GTest::gtest GTest::gmock)
  endif()
  set(env "VAD_SHARED=${CMAKE_SOURCE_DIR}/../shared")
  if(ARG_WIDGET)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  set(others "")
  foreach(entry ${ARG_SKIPPABLE})
    string(REPLACE "=" ";" parts "${entry}")
    list(GET parts 0 name)
    list(GET parts 1 filter)
    add_test(NAME ${subsystem}.${module}.${name} COMMAND ${target} --gtest_filter=${filter})
    set_tests_properties(${subsystem}.${module}.${name} PROPERTIES
      ENVIRONMENT "${env}" TIMEOUT 600 SKIP_RETURN_CODE 77)
    string(APPEND others ":${filter}")
  endforeach()
  if(others)
    string(SUBSTRING "${others}" 1 -1 others)
    add_test(NAME ${subsystem}.${module} COMMAND ${target} --gtest_filter=-${others})
  else()
    add_test(NAME ${subsystem}.${module} COMMAND ${target})
  endif()
  set_tests_properties(${subsystem}.${module} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600 SKIP_RETURN_CODE 77)
endfunction()
