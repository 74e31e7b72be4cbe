# Runs the Ostrel program where no audio device can be opened and checks what it shows: the
# banner byte for byte on stdout, one line on stderr (LF, or CR LF where the C library writes
# text that way) and exit code 1.
# Usage: cmake -DPROGRAM=<Ostrel> [-DEMULATOR=<runner>] -DWORK_DIR=<dir> -P OstrelWithoutDevice.cmake
string(ASCII 13 cr)
string(ASCII 59 semicolon) # written out, a semicolon would split the line as a list
set(expected "")
macro(banner_line text)
  string(APPEND expected "${text}${cr}\n")
endmacro()
banner_line("")
banner_line("  --------------------------------")
banner_line(" | \"Sombrevallis\" by Quennorabeth |")
banner_line("  --------------------------------")
banner_line("")
banner_line(" Powered using KavoXM engine / WinMM")
banner_line(" shrinked edition by Quennorabeth")
banner_line(" Executable is packed with UPX")
banner_line("")
banner_line(" Especially for Yolvane")
banner_line("")
banner_line(" Vote for me if u like this music!")
banner_line(" Thanks ${semicolon})")
banner_line("")

file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${EMULATOR} ${PROGRAM}
                OUTPUT_FILE ${WORK_DIR}/out ERROR_FILE ${WORK_DIR}/err
                RESULT_VARIABLE exit_code TIMEOUT 120)
file(READ ${WORK_DIR}/out out_hex HEX)
file(READ ${WORK_DIR}/err err)
file(WRITE ${WORK_DIR}/expected "${expected}")
file(READ ${WORK_DIR}/expected expected_hex HEX)

if(NOT exit_code STREQUAL "1")
  message(FATAL_ERROR "exit code ${exit_code}, expected 1; stderr: ${err}")
endif()
if(NOT out_hex STREQUAL expected_hex)
  message(FATAL_ERROR "stdout is not the banner byte for byte:\n${out_hex}\nexpected:\n${expected_hex}")
endif()
if(NOT err MATCHES "^[^\n${cr}]+${cr}?\n$")
  message(FATAL_ERROR "stderr is not one line: [${err}]")
endif()
message(STATUS "banner, one message (${err}) and exit code 1")
