# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread model, GCC 12).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PSA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PSA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PSA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${PSA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PSA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: the GCC runtime, the C++ library and winpthread linked in, so that nothing but
# Windows' own DLLs has to sit beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# zlib (libz-mingw-w64-dev) too: its static library rather than the import library of zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)

# Reproducible: two builds of one commit, in any folders, give the same bytes. No time stamp in the PE
# header, no folder names in the objects, and archives without times, owners or modes.
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,--no-insert-timestamp")
cmake_path(GET CMAKE_CURRENT_LIST_DIR PARENT_PATH psa_source_dir)
set(CMAKE_CXX_FLAGS_INIT "-ffile-prefix-map=${psa_source_dir}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build")
set(CMAKE_CXX_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
set(CMAKE_CXX_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
set(CMAKE_CXX_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")

# Test executables run on this machine through Wine.
find_program(PSA_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(PSA_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PSA_WINE})
endif()
