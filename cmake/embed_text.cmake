# cmake -DINPUT=FILE -DOUTPUT=FILE.cc -DHEADER=H -DFUNCTION=NAME -P embed_text.cmake
# Writes OUTPUT, defining `std::string_view binario::NAME()` that returns the
# bytes of INPUT, so a document can be built into the program unchanged.
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}.tmp
  "// Generated at build time from ${INPUT}; do not edit.\n"
  "#include \"${HEADER}\"\n\n"
  "namespace binario {\n\n"
  "namespace {\nconst unsigned char kBytes[] = {\n${bytes}0x00};\n}  // namespace\n\n"
  "std::string_view ${FUNCTION}() {\n"
  "  return {reinterpret_cast<const char*>(kBytes), sizeof kBytes - 1};\n}\n\n"
  "}  // namespace binario\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
