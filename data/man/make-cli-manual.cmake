# Writes the manual page of kelanim-cli from its template, with the COMMANDS
# section made from the program's own help, so the two never disagree.
#   cmake -DCLI=... -DTEMPLATE=... -DOUTPUT=... -DPROJECT_VERSION=... -DCMAKE_INSTALL_FULL_DATADIR=... -P make-cli-manual.cmake
execute_process(COMMAND ${CLI} help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${CLI} help failed: ${status}")
endif()

# "  name synopsis   description" starts a command; deeper indented lines
# continue it. The description follows the last run of three blanks.
# A semicolon would split CMake's lists: it travels as a placeholder.
string(REPLACE ";" "@SEMICOLON@" help "${help}")
string(REPLACE "\n" ";" lines "${help}")
set(entries "")
set(entry "")
foreach(line IN LISTS lines)
  if(line MATCHES "^  [a-z]")
    list(APPEND entries "${entry}")
    string(STRIP "${line}" entry)
  elseif(line MATCHES "^   +[^ ]" AND entry)
    string(STRIP "${line}" more)
    string(APPEND entry " ${more}")
  endif()
endforeach()
list(APPEND entries "${entry}")

set(CLI_COMMANDS "")
foreach(entry IN LISTS entries)
  if(NOT entry)
    continue()
  endif()
  string(REPLACE "\\" "\\\\" entry "${entry}")
  string(REPLACE "-" "\\-" entry "${entry}")
  if(entry MATCHES "^(.*[^ ])   +([^ ].*)$")
    set(synopsis "${CMAKE_MATCH_1}")
    set(description "${CMAKE_MATCH_2}")
  else()
    set(synopsis "${entry}")
    set(description "")
  endif()
  string(REGEX REPLACE " +" " " synopsis "${synopsis}")
  string(REGEX REPLACE "^([^ ]+)(.*)$" "\\\\fB\\1\\\\fR\\2" synopsis "${synopsis}")
  # \& keeps a description that starts with a dot from being read as a request.
  string(APPEND CLI_COMMANDS ".TP\n${synopsis}\n\\&${description}\n")
endforeach()
string(REPLACE "@SEMICOLON@" ";" CLI_COMMANDS "${CLI_COMMANDS}")
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
