# vamo_subsystem(NAME DEPS... [EXCLUDE FILES...]): one static library per
# source folder, made of every .cpp below that folder except the EXCLUDE ones
# (relative to the folder: what cannot build on this system yet). New files
# need no edit here. A folder without sources yet is an interface library, so
# its dependents still configure.
function(vamo_subsystem name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "EXCLUDE")
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded IN LISTS arg_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(sources)
    add_library(vamo_${name} STATIC ${sources})
    target_link_libraries(vamo_${name} PUBLIC ${arg_UNPARSED_ARGUMENTS})
  else()
    add_library(vamo_${name} INTERFACE)
    target_link_libraries(vamo_${name} INTERFACE ${arg_UNPARSED_ARGUMENTS})
  endif()
endfunction()

# vamo_test_suite(NAME LIBS... [WIN32_SOURCES FILES...]): one GoogleTest program
# per test folder, made of every .cpp in it; each test is registered with CTest
# under the label NAME. A folder whose suite is only partly portable names the
# files the Windows build takes in WIN32_SOURCES; the others stand on the Linux
# personality (the prefix, host paths, fork) or on services the Windows build
# does not have yet. A helper named X_win32.cpp is the Windows side of one the
# Linux suite has in another file; only WIN32_SOURCES can name it.
function(vamo_test_suite name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "WIN32_SOURCES")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "_win32\\.cpp$")
  if(WIN32 AND arg_WIN32_SOURCES)
    list(TRANSFORM arg_WIN32_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/ OUTPUT_VARIABLE sources)
  endif()
  add_executable(${name}_tests ${sources})
  target_link_libraries(${name}_tests PRIVATE vamo_testsupport ${arg_UNPARSED_ARGUMENTS} GTest::gtest_main GTest::gmock)
  if(CMAKE_CROSSCOMPILING)
    # A Windows suite is one CTest entry: one run under Wine (scripts/wine-run,
    # the emulator) in a prefix of its own, instead of a Wine start per test.
    # GoogleTest's own report names each failing test.
    add_test(NAME ${name} COMMAND ${name}_tests --gtest_brief=1
             WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    set_tests_properties(${name} PROPERTIES LABELS "${name};win32" TIMEOUT 900)
  else()
    gtest_discover_tests(${name}_tests
      PROPERTIES LABELS ${name}
      DISCOVERY_TIMEOUT 60
      WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
endfunction()
