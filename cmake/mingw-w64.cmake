# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (package
# g++-mingw-w64-x86-64). The programs are linked statically against the GCC
# runtime, the C++ library and winpthreads, so Zbn2PPT.exe needs no DLL beyond
# those of Windows itself. Tests run under Wine through the emulator below.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZBN_MINGW_TRIPLET x86_64-w64-mingw32)
# The posix thread model gives the C++ library its threads and mutexes; the
# win32 one of GCC 12 has neither.
find_program(CMAKE_C_COMPILER NAMES ${ZBN_MINGW_TRIPLET}-gcc-posix ${ZBN_MINGW_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${ZBN_MINGW_TRIPLET}-g++-posix ${ZBN_MINGW_TRIPLET}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${ZBN_MINGW_TRIPLET}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${ZBN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wide-character Windows API throughout.
set(CMAKE_CXX_FLAGS_INIT "-DUNICODE -D_UNICODE")
set(CMAKE_C_FLAGS_INIT "-DUNICODE -D_UNICODE")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs (and GoogleTest's discovery) run under Wine, headless, in a
# prefix of their own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-exec)
# Discovery waits for ctest, so that building never needs Wine.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# GoogleTest built with this toolchain from the sources Debian ships in
# /usr/src/googletest (package googletest), once, into a prefix beside the
# build trees.
get_filename_component(ZBN_WINDOWS_DEPS ${CMAKE_CURRENT_LIST_DIR}/../build/windows-deps ABSOLUTE)
list(APPEND CMAKE_FIND_ROOT_PATH ${ZBN_WINDOWS_DEPS})
list(APPEND CMAKE_PREFIX_PATH ${ZBN_WINDOWS_DEPS})
if(NOT EXISTS ${ZBN_WINDOWS_DEPS}/lib/cmake/GTest/GTestConfig.cmake
   AND EXISTS /usr/src/googletest/CMakeLists.txt
   AND NOT DEFINED ENV{ZBN_BUILDING_WINDOWS_DEPS})
  message(STATUS "Building GoogleTest for Windows into ${ZBN_WINDOWS_DEPS}")
  set(_zbn_gtest_build ${ZBN_WINDOWS_DEPS}-build/googletest)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env ZBN_BUILDING_WINDOWS_DEPS=1
            ${CMAKE_COMMAND} -S /usr/src/googletest -B ${_zbn_gtest_build} -G Ninja
            -DCMAKE_TOOLCHAIN_FILE=${CMAKE_CURRENT_LIST_FILE}
            -DCMAKE_BUILD_TYPE=Release
            -DCMAKE_INSTALL_PREFIX=${ZBN_WINDOWS_DEPS} -Dgtest_disable_pthreads=ON
            -DCMAKE_POLICY_DEFAULT_CMP0057=NEW
    RESULT_VARIABLE _zbn_result)
  if(_zbn_result EQUAL 0)
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${_zbn_gtest_build} --target install
                    RESULT_VARIABLE _zbn_result)
  endif()
  if(NOT _zbn_result EQUAL 0)
    message(FATAL_ERROR "GoogleTest could not be built for Windows")
  endif()
endif()
