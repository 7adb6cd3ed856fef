# Fails when one of FILES (programs, DLLs) imports a DLL that is not part
# of Windows itself: the MinGW runtime must be linked in, not shipped.
# Only DLLs that every 32-bit Windows has count: bcrypt.dll (Vista and
# later) would keep the program from starting on the systems before.
#   cmake -DOBJDUMP=<objdump> -DFILES=<a|b|...> -P CheckImports.cmake
cmake_policy(VERSION 3.25)
set(system_dlls kernel32.dll user32.dll gdi32.dll advapi32.dll comctl32.dll comdlg32.dll
    shell32.dll ole32.dll oleaut32.dll msvcrt.dll ntdll.dll version.dll winmm.dll)
string(REPLACE "|" ";" FILES "${FILES}")
foreach(file IN LISTS FILES)
  execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot read ${file}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
  if(NOT names)
    message(FATAL_ERROR "${file}: no imports found")
  endif()
  foreach(entry IN LISTS names)
    string(REPLACE "DLL Name: " "" dll "${entry}")
    string(TOLOWER "${dll}" dll)
    if(NOT dll IN_LIST system_dlls)
      message(FATAL_ERROR "${file} imports ${dll}, which is not a system DLL")
    endif()
  endforeach()
  message(STATUS "${file}: system DLLs only")
endforeach()
