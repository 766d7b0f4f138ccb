# The program's Japanese texts are written in UTF-8 in "*.inc.in" files
# beside the code that uses them. The build converts each to Shift-JIS (code
# page 932, the encoding of every text the program shows or writes) and
# writes it as "<build>/generated/<folder>/<name>.inc", every byte of a
# Japanese character as a hex escape, so the compiler sees the same bytes
# whatever its source and execution character sets are. The conversion runs
# on the build machine, cross builds included.

find_program(TESSARINE_ICONV iconv)
if(NOT TESSARINE_ICONV)
  message(FATAL_ERROR
    "iconv was not found: the build converts the program's Japanese texts "
    "from UTF-8 to Shift-JIS with it (Debian: package libc-bin; or set "
    "TESSARINE_ICONV to its path)")
endif()

# The table must be code page 932's: "表" is 0x95 0x5C there, and "～"
# (U+FF5E) 0x81 0x60, which plain JIS tables lack.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E echo_append "表～"
  COMMAND ${TESSARINE_ICONV} -f UTF-8 -t CP932
  OUTPUT_VARIABLE probe
  RESULT_VARIABLE probe_result
  ERROR_VARIABLE probe_error)
string(HEX "${probe}" probe_hex)
if(NOT probe_result EQUAL 0 OR NOT probe_hex STREQUAL "955c8160")
  message(FATAL_ERROR
    "${TESSARINE_ICONV} cannot convert UTF-8 to code page 932 (CP932) "
    "as the program's texts need (got \"${probe_hex}\" ${probe_error})")
endif()

set(TESSARINE_TEXTS_DIR ${CMAKE_BINARY_DIR}/generated)
set(TESSARINE_TEXTS_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/ShiftJisTextsGenerate.cmake)

# tessarine_texts(TARGET FOLDER)
# Converts every FOLDER/*.inc.in for TARGET; its code (and code that links
# it) includes the result as "<folder from the source root>/<name>.inc".
function(tessarine_texts target folder)
  file(GLOB inputs CONFIGURE_DEPENDS ${folder}/*.inc.in)
  foreach(input IN LISTS inputs)
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${input})
    string(REGEX REPLACE "\\.in$" "" relative ${relative})
    set(output ${TESSARINE_TEXTS_DIR}/${relative})
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -DICONV=${TESSARINE_ICONV} -DINPUT=${input}
              -DOUTPUT=${output} -P ${TESSARINE_TEXTS_SCRIPT}
      DEPENDS ${input} ${TESSARINE_TEXTS_SCRIPT}
      COMMENT "Converting ${relative}.in to Shift-JIS"
      VERBATIM)
    target_sources(${target} PRIVATE ${output})
  endforeach()
  if(inputs)
    target_include_directories(${target} PUBLIC ${TESSARINE_TEXTS_DIR})
  endif()
endfunction()
