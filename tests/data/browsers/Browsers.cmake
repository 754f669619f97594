# The browser executables of the browser-analysis tests, made once per build
# tree by make-browsers.sh. Suites that read them call
# vamo_use_browser_fixtures(<target>).
include_guard(GLOBAL)

set(VAMO_BROWSER_FIXTURES ${PROJECT_BINARY_DIR}/tests/fixtures/browsers CACHE INTERNAL "")
set(_vamo_browser_src ${CMAKE_CURRENT_LIST_DIR})
add_custom_command(
  OUTPUT ${VAMO_BROWSER_FIXTURES}/stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${VAMO_BROWSER_FIXTURES}
  COMMAND ${_vamo_browser_src}/make-browsers.sh ${VAMO_BROWSER_FIXTURES}
  DEPENDS ${_vamo_browser_src}/make-browsers.sh ${_vamo_browser_src}/../authenticode/program.s
  COMMENT "Generating browser executables"
  VERBATIM)
add_custom_target(vamo_browser_fixtures DEPENDS ${VAMO_BROWSER_FIXTURES}/stamp)

function(vamo_use_browser_fixtures target)
  add_dependencies(${target} vamo_browser_fixtures)
  target_compile_definitions(${target} PRIVATE VAMO_BROWSER_FIXTURES="${VAMO_BROWSER_FIXTURES}")
endfunction()
