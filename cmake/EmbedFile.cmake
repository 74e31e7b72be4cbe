# Turns a binary file into a C++ source holding it as a read-only byte array.
# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=Name -DHEADER=Name.h -P EmbedFile.cmake
file(READ "${INPUT}" content HEX)
file(SIZE "${INPUT}" size)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${content}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n    " bytes "${bytes}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from ${name}; do not edit.\n"
"#include \"${HEADER}\"\n\n"
"extern const uint8_t ${SYMBOL}[${size}] = {\n    ${bytes}\n};\n"
"extern const int32_t ${SYMBOL}Size = ${size};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
