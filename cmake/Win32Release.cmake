# vamo_win32_release_program(): names the program scripts/release signs and
# ships, in build-win32/release-program.txt (target, file, execution level, artwork),
# so the script knows it from the build instead of guessing, and whether the
# build has the pictures (a build without them is never released). The wizard,
# VamoSetup, asks for administrator rights in its manifest: a user would
# otherwise start it unelevated and every install step would fail on access.
# Until the Windows build has the wizard, vamo-tool stands in with the level
# its own manifest declares, so the release road can be run end to end.
function(vamo_win32_release_program)
  if(TARGET VamoSetup)
    set(target VamoSetup)
  else()
    set(target vamo-tool)
  endif()
  get_target_property(level ${target} VAMO_MANIFEST_LEVEL)
  if(NOT level)
    message(FATAL_ERROR "${target}: the released program needs vamo_win32_manifest()")
  endif()
  if(target STREQUAL "VamoSetup" AND NOT level STREQUAL "requireAdministrator")
    message(FATAL_ERROR "VamoSetup's manifest must ask for requireAdministrator, not ${level}")
  endif()
  # A windowed program (WIN32_EXECUTABLE, -mwindows) gets no console window
  # beside it; the wizard must be one.
  get_target_property(windowed ${target} WIN32_EXECUTABLE)
  if(windowed)
    set(subsystem gui)
  else()
    set(subsystem console)
  endif()
  if(target STREQUAL "VamoSetup" AND NOT windowed)
    message(FATAL_ERROR "VamoSetup must be a WIN32_EXECUTABLE: users would see a console window beside it")
  endif()
  set(artwork yes)
  if(VAMO_WITHOUT_ARTWORK)
    set(artwork no)
  endif()
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/release-program.txt
       CONTENT "target=${target}\nfile=$<TARGET_FILE:${target}>\nlevel=${level}\nsubsystem=${subsystem}\nartwork=${artwork}\n")
endfunction()
