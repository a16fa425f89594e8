# zk_embed_payload(<out-var> <input file> <symbol> <size> <hex prefix or "">)
# Checks the input at build time and turns it into a generated .cpp in read-only data.
function(zk_embed_payload out_var input symbol size prefix)
  set(output "${CMAKE_BINARY_DIR}/payload/${symbol}.cpp")
  set(prefix_arg "")
  if(prefix)
    set(prefix_arg "-DPREFIX=${prefix}")
  endif()
  add_custom_command(
    OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} "-DINPUT=${input}" "-DOUTPUT=${output}" "-DSYMBOL=${symbol}" "-DSIZE=${size}"
            ${prefix_arg} -P "${CMAKE_SOURCE_DIR}/cmake/embed_payload.cmake"
    DEPENDS "${input}" "${CMAKE_SOURCE_DIR}/cmake/embed_payload.cmake"
    COMMENT "Embedding ${input}"
    VERBATIM)
  set(${out_var} "${output}" PARENT_SCOPE)
endfunction()
