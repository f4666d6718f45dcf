# Checks that EXE is self-contained, importing only system DLLs, and, given EXPORT, exports that function by name.
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "DLL Name: [^\n]+" dlls "${dump}")
string(TOLOWER "${dlls}" dlls)
string(REGEX REPLACE "dll name: (kernel32|user32|gdi32|comdlg32|msvcrt)\\.dll;?" "" others "${dlls}")
if(NOT dlls OR others OR (EXPORT AND NOT dump MATCHES "\\[ *[0-9]+\\] ${EXPORT}\n"))
  message(FATAL_ERROR "imports '${others}' beside the system DLLs, or does not export '${EXPORT}' by name")
endif()
