# orb_embed_file(TARGET SYMBOL FILE): compile FILE's bytes into TARGET as
#   extern const unsigned char SYMBOL[]; extern const unsigned int SYMBOL_size;
function(orb_embed_file target symbol file)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${symbol}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${file} -DOUT=${out} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/embed_run.cmake
    DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/embed_run.cmake
    COMMENT "Embedding ${file}")
  target_sources(${target} PRIVATE ${out})
endfunction()
