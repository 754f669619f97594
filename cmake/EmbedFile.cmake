# cmake -DINPUT=FILE -DOUTPUT=HEADER -DNAME=kName -P EmbedFile.cmake: the
# file's bytes as a constexpr array, for fixtures a suite must carry inside
# its program (a Windows suite runs where the build folder is out of reach).
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n  " bytes "${bytes}")
file(WRITE ${OUTPUT} "#pragma once\n// Made by cmake/EmbedFile.cmake from ${INPUT}.\n#include <cstdint>\n\ninline constexpr uint8_t ${NAME}[] = {\n  ${bytes}\n};\n")
