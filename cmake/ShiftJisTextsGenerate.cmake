# cmake -DICONV=iconv -DINPUT=x.inc.in -DOUTPUT=x.inc -P ShiftJisTextsGenerate.cmake
# Writes INPUT, UTF-8 C++, as OUTPUT in Shift-JIS (code page 932) with each
# byte of a double-byte character or a half-width katakana written as a hex
# escape. An escape followed by a hex digit is closed with "" so that the
# digit stays a character of its own ("80x24" after a kanji). Japanese
# characters belong in string literals and comments only.

foreach(variable ICONV INPUT OUTPUT)
  if(NOT ${variable})
    message(FATAL_ERROR "ShiftJisTextsGenerate: ${variable} is not set")
  endif()
endforeach()

set(converted "${OUTPUT}.sjis")
execute_process(
  COMMAND ${ICONV} -f UTF-8 -t CP932 ${INPUT}
  OUTPUT_FILE ${converted}
  RESULT_VARIABLE result
  ERROR_VARIABLE error)
if(NOT result EQUAL 0)
  file(REMOVE ${converted})
  message(FATAL_ERROR
    "${INPUT}: not UTF-8, or a character code page 932 cannot hold: ${error}")
endif()
file(READ ${converted} hex HEX)
file(REMOVE ${converted})

string(LENGTH "${hex}" hex_length)
set(text "// Generated from ${INPUT} by the build: do not edit.\n")
string(APPEND text "#line 1 \"${INPUT}\"\n")
set(trail FALSE)     # the next byte is the second of a double-byte character
set(escaped FALSE)   # the last byte written was an escape
set(position 0)
while(position LESS hex_length)
  string(SUBSTRING "${hex}" ${position} 2 byte)
  math(EXPR position "${position} + 2")
  math(EXPR value "0x${byte}")
  if(trail)
    string(APPEND text "\\x${byte}")
    set(trail FALSE)
  elseif((value GREATER_EQUAL 129 AND value LESS_EQUAL 159) OR
         (value GREATER_EQUAL 224 AND value LESS_EQUAL 252))
    string(APPEND text "\\x${byte}")
    set(trail TRUE)
    set(escaped TRUE)
  elseif(value GREATER_EQUAL 161 AND value LESS_EQUAL 223)
    string(APPEND text "\\x${byte}")
    set(escaped TRUE)
  elseif(value GREATER_EQUAL 128)
    message(FATAL_ERROR "${INPUT}: iconv wrote the byte 0x${byte}")
  else()
    string(ASCII ${value} character)
    if(escaped AND character MATCHES "^[0-9A-Fa-f]$")
      string(APPEND text "\"\"")
    endif()
    string(APPEND text "${character}")
    set(escaped FALSE)
  endif()
endwhile()
if(trail)
  message(FATAL_ERROR "${INPUT}: ends inside a double-byte character")
endif()

# Written whole or not at all: a build stopped here leaves no half table.
set(temporary "${OUTPUT}.new")
file(WRITE ${temporary} "${text}")
file(RENAME ${temporary} ${OUTPUT})
