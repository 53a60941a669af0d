# Script half of orb_embed_file: writes a C++ array of the file's bytes.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
string(REGEX REPLACE "((0x..,){32})" "\\1\n" body "${body}")
file(WRITE ${OUT}
  "// Generated from ${IN}; do not edit.\n"
  "extern const unsigned char ${SYMBOL}[];\nextern const unsigned int ${SYMBOL}_size;\n"
  "alignas(4) const unsigned char ${SYMBOL}[] = {\n${body}0};\n"
  "const unsigned int ${SYMBOL}_size = ${size}u;\n")
