# Fails when the program imports a DLL statically that Windows does not map from its KnownDLLs
# (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs). Windows looks for any
# other DLL first in the program's own folder, where a planted copy would run inside it; the
# program loads those itself, from the system folder only (framework/SystemDll.h).
#   cmake -DOBJDUMP=... -DPROGRAM=... -DSTAMP=... -P check_imports.cmake
cmake_policy(SET CMP0057 NEW)  # if(IN_LIST)
# The KnownDLLs of every Windows from 7 to 11 that a program of this kind might import:
set(KNOWN_DLLS advapi32 comdlg32 gdi32 imm32 kernel32 msvcrt ole32 oleaut32 shell32 shlwapi user32 ws2_32)

execute_process(COMMAND "${OBJDUMP}" -p "${PROGRAM}" OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${headers}")
set(outside "")
foreach(import IN LISTS imports)
  string(REGEX REPLACE "DLL Name: (.+)\\.[dD][lL][lL]$" "\\1" name "${import}")
  string(TOLOWER "${name}" name)
  if(NOT name IN_LIST KNOWN_DLLS)
    list(APPEND outside "${import}")
  endif()
endforeach()
if(outside)
  list(JOIN outside ", " outside)
  message(FATAL_ERROR "${PROGRAM} imports a DLL that is not a KnownDLL (${outside}): load it with LoadSystemDll")
endif()
if(NOT imports)
  message(FATAL_ERROR "no import table found in ${PROGRAM}")
endif()
file(TOUCH "${STAMP}")
