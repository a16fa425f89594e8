# Turns one payload file into a C++ array in read-only data, after checking it, with the SHA-256
# of those very bytes beside it: in the program, for its record, and in OUTPUT's .sha256 file, for
# the release. SAMPLE is the sample of payload/ that the file must be told apart from.
# Run as: cmake -DINPUT=<file> -DOUTPUT=<.cpp> -DSYMBOL=<name> -DSIZE=<bytes> -DSAMPLE=<file>
#               [-DPREFIX=<hex of the first bytes>] -P embed_payload.cmake
foreach(arg INPUT OUTPUT SYMBOL SIZE SAMPLE)
  if(NOT DEFINED ${arg})
    message(FATAL_ERROR "embed_payload.cmake: ${arg} is not given")
  endif()
endforeach()
# Everything below reads one copy, so that what is checked, embedded and summed is the same bytes
# even if the file changes meanwhile.
set(copy "${OUTPUT}.bin")
get_filename_component(folder "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
file(COPY_FILE "${INPUT}" "${copy}" RESULT copied)
if(NOT copied STREQUAL "0")
  message(FATAL_ERROR "Payload file ${INPUT} cannot be read: ${copied}")
endif()

file(SIZE "${copy}" actual)
if(NOT actual EQUAL SIZE)
  message(FATAL_ERROR "Payload file ${INPUT} holds ${actual} bytes; it must hold exactly ${SIZE}")
endif()
file(READ "${copy}" hex HEX)
if(DEFINED PREFIX)
  string(TOLOWER "${PREFIX}" prefix)
  string(LENGTH "${prefix}" prefix_length)
  string(SUBSTRING "${hex}" 0 ${prefix_length} head)
  if(NOT head STREQUAL prefix)
    message(FATAL_ERROR "Payload file ${INPUT} begins with 0x${head}; it must begin with 0x${prefix}")
  endif()
endif()
file(SHA256 "${copy}" digest)
file(SHA256 "${SAMPLE}" sample_digest)
file(REMOVE "${copy}")
if(digest STREQUAL sample_digest)
  set(sample true)
  set(sample_word " sample")
else()
  set(sample false)
  set(sample_word "")
endif()

string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT} by embed_payload.cmake; do not edit.\n"
  "#include \"protocol/Payload.h\"\n\n"
  "namespace FirmwarePayload {\n"
  "extern const unsigned char ${SYMBOL}[${SIZE}] = {\n${bytes}};\n"
  "extern const PayloadDigest ${SYMBOL}Digest = {\"${digest}\", ${sample}};\n"
  "}\n")
# The digest, and "sample" when it is the sample's: what the release names.
string(REGEX REPLACE "\\.cpp$" ".sha256" digest_file "${OUTPUT}")
file(WRITE "${digest_file}" "${digest}${sample_word}\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
