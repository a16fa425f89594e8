# Turns one payload file into a C++ array in read-only data, after checking it.
# Run as: cmake -DINPUT=<file> -DOUTPUT=<.cpp> -DSYMBOL=<name> -DSIZE=<bytes>
#               [-DPREFIX=<hex of the first bytes>] -P embed_payload.cmake
foreach(arg INPUT OUTPUT SYMBOL SIZE)
  if(NOT DEFINED ${arg})
    message(FATAL_ERROR "embed_payload.cmake: ${arg} is not given")
  endif()
endforeach()
if(NOT EXISTS "${INPUT}")
  message(FATAL_ERROR "Payload file ${INPUT} does not exist")
endif()

file(SIZE "${INPUT}" actual)
if(NOT actual EQUAL SIZE)
  message(FATAL_ERROR "Payload file ${INPUT} holds ${actual} bytes; it must hold exactly ${SIZE}")
endif()
file(READ "${INPUT}" hex HEX)
if(DEFINED PREFIX)
  string(TOLOWER "${PREFIX}" prefix)
  string(LENGTH "${prefix}" prefix_length)
  string(SUBSTRING "${hex}" 0 ${prefix_length} head)
  if(NOT head STREQUAL prefix)
    message(FATAL_ERROR "Payload file ${INPUT} begins with 0x${head}; it must begin with 0x${prefix}")
  endif()
endif()

string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT} by embed_payload.cmake; do not edit.\n"
  "#include \"protocol/Payload.h\"\n\n"
  "namespace FirmwarePayload {\n"
  "extern const unsigned char ${SYMBOL}[${SIZE}] = {\n${bytes}};\n"
  "}\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
