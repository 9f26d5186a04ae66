# Cross-compiling for 64-bit Windows with Debian's mingw-w64.
#
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DBRINDLE_WINDOWS_PREFIX=/path/to/windows/prefix ...
#
# The prefix holds the Windows builds of the libraries (scripts/windows-deps.sh makes it);
# it may also come from the environment variable of the same name. Libraries, headers and
# CMake packages are searched there only, so the host's never slip into a Windows build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_brindle_triple x86_64-w64-mingw32)
# The -posix variant: the default -win32 threading model has no std::thread or std::mutex.
set(CMAKE_C_COMPILER ${_brindle_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_brindle_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_brindle_triple}-windres)
set(CMAKE_AR ${_brindle_triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${_brindle_triple}-gcc-ranlib-posix CACHE FILEPATH "")

# Link the GCC runtime, libstdc++ and winpthread into every program and DLL: without them
# a program dies at start with a missing DLL (status 53 under Wine, silently).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# The prefix passes through to try_compile projects by the environment.
if(NOT BRINDLE_WINDOWS_PREFIX AND DEFINED ENV{BRINDLE_WINDOWS_PREFIX})
  set(BRINDLE_WINDOWS_PREFIX "$ENV{BRINDLE_WINDOWS_PREFIX}")
endif()
set(BRINDLE_WINDOWS_PREFIX "${BRINDLE_WINDOWS_PREFIX}" CACHE PATH
    "Prefix holding the Windows builds of the libraries")
if(BRINDLE_WINDOWS_PREFIX)
  set(ENV{BRINDLE_WINDOWS_PREFIX} "${BRINDLE_WINDOWS_PREFIX}")
endif()

set(CMAKE_FIND_ROOT_PATH ${BRINDLE_WINDOWS_PREFIX} /usr/${_brindle_triple})
# Programs (moc, wine, ...) come from the host; everything linked comes from the roots.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The host's package registry and pkg-config files describe Linux libraries.
set(CMAKE_FIND_USE_PACKAGE_REGISTRY OFF)
set(CMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY OFF)
set(ENV{PKG_CONFIG_LIBDIR} "${BRINDLE_WINDOWS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# A cross-built Qt runs its code generators (moc, uic, rcc) from the host's Qt of the
# same version.
if(NOT QT_HOST_PATH)
  set(QT_HOST_PATH /usr CACHE PATH "Prefix of the host's Qt, whose tools a cross build runs")
endif()
# Debian keeps the host's CMake packages in its multiarch folder.
if(NOT QT_HOST_PATH_CMAKE_DIR)
  foreach(_brindle_dir "${QT_HOST_PATH}/lib/${CMAKE_HOST_SYSTEM_PROCESSOR}-linux-gnu/cmake"
                       "${QT_HOST_PATH}/lib/cmake")
    if(EXISTS "${_brindle_dir}/Qt6HostInfo")
      set(QT_HOST_PATH_CMAKE_DIR "${_brindle_dir}" CACHE PATH "CMake packages of the host's Qt")
      break()
    endif()
  endforeach()
endif()

# Test programs run under Wine, so ctest works as on Linux.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(BRINDLE_WINE NAMES wine NO_CMAKE_FIND_ROOT_PATH)
  if(BRINDLE_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${BRINDLE_WINE})
  endif()
endif()
