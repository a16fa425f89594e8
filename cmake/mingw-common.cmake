# Shared part of the MinGW-w64 toolchain files. Debian ships the compilers with two
# thread models; the posix one gives the C++ standard library its threads and is
# linked statically like everything else. MSYS2 has only one, without a suffix.
foreach(suffix -posix "")
  find_program(ZK_CXX ${ZK_MINGW_TRIPLET}-g++${suffix})
  find_program(ZK_CC ${ZK_MINGW_TRIPLET}-gcc${suffix})
  if(ZK_CXX AND ZK_CC)
    break()
  endif()
endforeach()
set(CMAKE_C_COMPILER ${ZK_CC})
set(CMAKE_CXX_COMPILER ${ZK_CXX})
set(CMAKE_RC_COMPILER ${ZK_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
