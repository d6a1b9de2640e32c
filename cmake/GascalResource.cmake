# Script mode: cmake -DIN=<file> -DOUT=<cpp> -DSYMBOL=<identifier> -P GascalResource.cmake
# Writes the bytes of IN as a C++ array SYMBOL (with one extra zero byte, so that text
# resources are also terminated) and its size SYMBOL_size.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 row)  # CMake's regular expressions have no {n}
string(REGEX REPLACE "(${row})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT}.tmp
"// Generated from ${IN}; do not edit.
#include <cstddef>
extern const unsigned char ${SYMBOL}[];
extern const std::size_t ${SYMBOL}_size;
alignas(16) const unsigned char ${SYMBOL}[] = {
${bytes}0x00};
const std::size_t ${SYMBOL}_size = ${size};
")
file(RENAME ${OUT}.tmp ${OUT})
