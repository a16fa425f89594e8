# zk_embed_payload(<out-var> <variable> <sample file> <symbol> <size> <hex prefix or "">)
# Checks at build time the file that <variable> names (given with -D at this configure) or else
# the sample, and turns it into a generated .cpp in read-only data, its SHA-256 beside it. The
# variable is not kept: a configure without it embeds the sample, never what an earlier one was
# given.
function(zk_embed_payload out_var variable sample symbol size prefix)
  set(input "${sample}")
  if(DEFINED CACHE{${variable}})
    get_filename_component(input "${${variable}}" ABSOLUTE)
    unset(${variable} CACHE)
  endif()
  # Here rather than at build time, where make would only say it has no rule for the file; and
  # without stopping at once, so that no later call keeps its variable.
  if(NOT EXISTS "${input}")
    message(SEND_ERROR "Payload file ${input} does not exist")
  endif()
  set(output "${CMAKE_BINARY_DIR}/payload/${symbol}.cpp")
  set(prefix_arg "")
  if(prefix)
    set(prefix_arg "-DPREFIX=${prefix}")
  endif()
  add_custom_command(
    OUTPUT "${output}" "${CMAKE_BINARY_DIR}/payload/${symbol}.sha256"
    COMMAND ${CMAKE_COMMAND} "-DINPUT=${input}" "-DOUTPUT=${output}" "-DSYMBOL=${symbol}" "-DSIZE=${size}"
            "-DSAMPLE=${sample}" ${prefix_arg} -P "${CMAKE_SOURCE_DIR}/cmake/embed_payload.cmake"
    DEPENDS "${input}" "${sample}" "${CMAKE_SOURCE_DIR}/cmake/embed_payload.cmake"
    COMMENT "Embedding ${input}"
    VERBATIM)
  set(${out_var} "${output}" PARENT_SCOPE)
endfunction()
