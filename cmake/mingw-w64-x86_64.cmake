# Cross-compiles for 64-bit Windows with mingw-w64 (the posix-thread compilers,
# which give std::thread and std::mutex), linked statically so that the
# programs import system DLLs only: no libstdc++, libgcc or winpthread DLL has
# to travel with them.
#   cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VAMO_MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${VAMO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VAMO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VAMO_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${VAMO_MINGW_TRIPLET}-objdump CACHE FILEPATH "objdump for PE files")

# Windows 7 is the oldest system the wizard supports: declarations of later
# APIs stay out of reach, so a call Windows 7 lacks fails to compile instead
# of failing to load on the user's machine.
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601")
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Libraries and headers come from the mingw-w64 tree and from the folders the
# dependency cache adds (deps.cmake); programs are the build machine's own.
set(CMAKE_FIND_ROOT_PATH /usr/${VAMO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs (ctest, gtest discovery, custom commands) run under wine64,
# each suite in a fresh Wine prefix of its own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
