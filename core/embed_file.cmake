# Writes the bytes of INPUT as a C array named NAME into OUTPUT.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" body "${body}")
file(WRITE "${OUTPUT}" "// Generated from ${INPUT}; do not edit.\nextern const unsigned char ${NAME}[] = {\n${body}0x00};\nextern const unsigned long ${NAME}Size = ${size};\n")
