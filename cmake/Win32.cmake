# The Windows build (cmake/mingw-w64-x86_64.cmake): libraries from the
# dependency cache, the project's Win32 conventions, and two checks.

# scripts/win32-deps writes deps.cmake (library locations) into its cache.
set(VAMO_WIN32_DEPS_FILE "" CACHE FILEPATH "deps.cmake written by scripts/win32-deps")
if(VAMO_WIN32_DEPS_FILE)
  include(${VAMO_WIN32_DEPS_FILE})
else()
  message(WARNING "VAMO_WIN32_DEPS_FILE is not set: run scripts/win32-deps and pass the path it prints")
endif()

# Our sources call the wide (W) functions through the plain names, keep
# std::min/std::max usable, and include what they need beyond the core of
# <windows.h> (winsock2.h, shellapi.h, commdlg.h ...) themselves: the lean
# <windows.h> no longer drags in winsock.h, which clashes with winsock2.h.
add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN)
enable_language(RC)

# The wizard is one statically linked file that users download on slow lines:
# every function and datum in a section of its own, so the linker keeps only
# what is called, and code optimised for size outside Debug. The work that
# costs time is elsewhere (the network, libcrypto's assembly digests, GDI's
# blits), so -Os costs nothing a user would notice.
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffunction-sections>
                    $<$<COMPILE_LANGUAGE:C,CXX>:-fdata-sections>
                    $<$<AND:$<COMPILE_LANGUAGE:C,CXX>,$<NOT:$<CONFIG:Debug>>>:-Os>)
add_link_options(-Wl,--gc-sections)

# minizip from zlib's source, built by scripts/win32-deps. Its headers are
# reached as <unzip.h>, as on Linux (pkg-config's -I.../minizip).
if(VAMO_MINIZIP_DIR AND NOT TARGET Vamo::Minizip)
  find_package(ZLIB REQUIRED)
  add_library(Vamo::Minizip STATIC IMPORTED GLOBAL)
  set_target_properties(Vamo::Minizip PROPERTIES
    IMPORTED_LOCATION ${VAMO_MINIZIP_DIR}/lib/libminizip.a
    INTERFACE_INCLUDE_DIRECTORIES ${VAMO_MINIZIP_DIR}/include/minizip
    INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
endif()

# vamo_win32_manifest(target [LEVEL asInvoker|requireAdministrator]): embeds
# the application manifest. It declares Windows 7 to 10, without which
# Windows 8.1 and later report version 6.2 to GetVersionExW, and the
# execution level, without which Windows guesses from the name whether a
# program named like an installer needs elevation.
function(vamo_win32_manifest target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "LEVEL" "")
  set(VAMO_MANIFEST_LEVEL asInvoker)
  if(arg_LEVEL)
    set(VAMO_MANIFEST_LEVEL ${arg_LEVEL})
  endif()
  set_property(TARGET ${target} PROPERTY VAMO_MANIFEST_LEVEL ${VAMO_MANIFEST_LEVEL})
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/manifest-${target})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/Win32Manifest.xml.in ${dir}/${target}.manifest @ONLY)
  # 1 = CREATEPROCESS_MANIFEST_RESOURCE_ID, 24 = RT_MANIFEST.
  file(CONFIGURE OUTPUT ${dir}/${target}-manifest.rc
       CONTENT "1 24 \"${dir}/${target}.manifest\"\n")
  target_sources(${target} PRIVATE ${dir}/${target}-manifest.rc)
  set_property(SOURCE ${dir}/${target}-manifest.rc APPEND PROPERTY OBJECT_DEPENDS ${dir}/${target}.manifest)
endfunction()

function(_vamo_collect_executables dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  set(found)
  foreach(t IN LISTS targets)
    get_target_property(type ${t} TYPE)
    if(type STREQUAL "EXECUTABLE")
      list(APPEND found ${t})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    _vamo_collect_executables(${sub} more)
    list(APPEND found ${more})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# vamo_check_imports (part of every build): each program may import system
# DLLs only (cmake/Win32SystemDlls.cmake). Checked again only when relinked.
function(_vamo_check_imports)
  _vamo_collect_executables(${PROJECT_SOURCE_DIR} programs)
  set(stamps)
  foreach(p IN LISTS programs)
    set(stamp ${PROJECT_BINARY_DIR}/check-imports/${p}.ok)
    add_custom_command(OUTPUT ${stamp}
      COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DPROGRAM=$<TARGET_FILE:${p}>
              -DSTAMP=${stamp} -P ${PROJECT_SOURCE_DIR}/cmake/CheckImports.cmake
      DEPENDS ${p} ${PROJECT_SOURCE_DIR}/cmake/CheckImports.cmake
              ${PROJECT_SOURCE_DIR}/cmake/Win32SystemDlls.cmake
      COMMENT "Checking the DLLs ${p} imports" VERBATIM)
    list(APPEND stamps ${stamp})
  endforeach()
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/check-imports)
  add_custom_target(vamo_check_imports ALL DEPENDS ${stamps})
endfunction()

# vamo_header_check (built on request): every neutral platform header must
# compile for Windows after <windows.h>, as the Win32 backends include it.
# Left out, each for a reason:
#   *_win32.h *_posix.h *_gtk.h *_mspack.h *_openssl.h  backend headers, for one system or library only
#   platform/sim/   the Linux simulation, never compiled for Windows
function(_vamo_header_check)
  file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
       ${PROJECT_SOURCE_DIR}/platform/*/*.h)
  list(FILTER headers EXCLUDE REGEX "_(win32|posix|gtk|mspack|openssl)\\.h$")
  list(FILTER headers EXCLUDE REGEX "^platform/sim/")
  set(units)
  foreach(h IN LISTS headers)
    string(REGEX REPLACE "[/.]" "_" name ${h})
    set(unit ${PROJECT_BINARY_DIR}/header-check/${name}.cpp)
    file(CONFIGURE OUTPUT ${unit} CONTENT "#include <windows.h>\n#include \"${h}\"\n")
    list(APPEND units ${unit})
  endforeach()
  add_library(vamo_header_check OBJECT EXCLUDE_FROM_ALL ${units})
endfunction()

# Called at the end of the top CMakeLists.txt, once every program exists.
function(vamo_win32_checks)
  _vamo_check_imports()
  _vamo_header_check()
endfunction()
