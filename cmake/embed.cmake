# Turns one file into a C++ source holding its bytes, so the executable
# carries the page templates inside itself.
# Inputs: INPUT (file), OUTPUT (source to write), SYMBOL (C identifier).
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT}; do not edit.\n#include <cstddef>\n"
"namespace qm::resources {\n"
"extern const unsigned char ${SYMBOL}[];\nextern const std::size_t ${SYMBOL}_size;\n"
"const unsigned char ${SYMBOL}[] = {\n${bytes}\n0x00};\n"
"const std::size_t ${SYMBOL}_size = ${size};\n}\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
