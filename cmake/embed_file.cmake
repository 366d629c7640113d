# Generates a C++ source that defines `FUNCTION()` returning the bytes of INPUT.
# usage: cmake -DINPUT=... -DOUTPUT=... -DFUNCTION=... -P embed_file.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.new"
  "// Generated from ${INPUT}: do not edit.\n"
  "#include <string_view>\n\n"
  "namespace {\nconst unsigned char bytes[] = {\n${bytes}0};\n}  // namespace\n\n"
  "std::string_view ${FUNCTION}() { return {reinterpret_cast<const char*>(bytes), ${size}}; }\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
