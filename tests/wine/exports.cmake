# Checks that EXE is self-contained, importing only system DLLs, and exports the prompt dialog's procedure.
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "DLL Name: [^\n]+" dlls "${dump}")
string(TOLOWER "${dlls}" dlls)
string(REGEX REPLACE "dll name: (kernel32|user32|gdi32|comdlg32|msvcrt)\\.dll;?" "" others "${dlls}")
if(NOT dlls OR others OR NOT dump MATCHES "\\[ *[0-9]+\\] newboxproc\n")
  message(FATAL_ERROR "imports '${others}' beside the system DLLs, or does not export newboxproc by name")
endif()
