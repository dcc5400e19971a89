# Turns a file into a C++ source that hands out its bytes:
#   cmake -DINPUT=file -DOUTPUT=source.cpp -DHEADER=Name.h -DFUNCTION=ns::Name -P EmbedFile.cmake
# defines `std::string_view FUNCTION()` (declared in HEADER).
file(READ "${INPUT}" content HEX)
string(LENGTH "${content}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${content}")
string(REGEX REPLACE "((('\\\\x..',){16}))" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}.new"
    "// Generated from ${INPUT}; do not edit.\n"
    "#include \"${HEADER}\"\n\n"
    "namespace {\n"
    "constexpr char kBytes[${size} + 1] = {\n    ${bytes}'\\0'};\n"
    "} // namespace\n\n"
    "std::string_view ${FUNCTION}() { return {kBytes, ${size}}; }\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
