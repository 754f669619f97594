# The PE, cabinet, ELF and certificate fixtures, made once per build tree by
# make-fixtures.sh. Test suites that read them call
# vamo_use_authenticode_fixtures(<target>).
include_guard(GLOBAL)

find_program(VAMO_OSSLSIGNCODE osslsigncode REQUIRED)
# Cache variables, so suites in other folders see them after the guard.
set(VAMO_AUTHENTICODE_FIXTURES ${PROJECT_BINARY_DIR}/tests/fixtures/authenticode CACHE INTERNAL "")
set(_vamo_fixture_src ${CMAKE_CURRENT_LIST_DIR})
file(GLOB _vamo_fixture_inputs CONFIGURE_DEPENDS ${_vamo_fixture_src}/*.rc ${_vamo_fixture_src}/*.s
     ${_vamo_fixture_src}/*.c ${_vamo_fixture_src}/*.py ${_vamo_fixture_src}/*.sh)
add_custom_command(
  OUTPUT ${VAMO_AUTHENTICODE_FIXTURES}/stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${VAMO_AUTHENTICODE_FIXTURES}
  COMMAND ${_vamo_fixture_src}/make-fixtures.sh ${VAMO_AUTHENTICODE_FIXTURES}
  DEPENDS ${_vamo_fixture_inputs}
  COMMENT "Generating PE, cabinet and certificate fixtures"
  VERBATIM)
add_custom_target(vamo_authenticode_fixtures DEPENDS ${VAMO_AUTHENTICODE_FIXTURES}/stamp)

function(vamo_use_authenticode_fixtures target)
  add_dependencies(${target} vamo_authenticode_fixtures)
  target_compile_definitions(${target} PRIVATE VAMO_AUTHENTICODE_FIXTURES="${VAMO_AUTHENTICODE_FIXTURES}"
                             VAMO_OSSLSIGNCODE="${VAMO_OSSLSIGNCODE}")
endfunction()
