# Compiles the icon images into the program:
#   cmake -DOUTPUT=IconImages.cpp -DIMAGES="a-16.png;a-32.png" -DSIZES="16;32"
#         -P EmbedIcons.cmake
# defines resources::FindIconImages (declared in resources/icons/IconImages.h) for the
# application icon IDR_MAINFRAME.
list(LENGTH IMAGES count)
math(EXPR last "${count} - 1")
set(arrays "")
set(entries "")
foreach(index RANGE ${last})
    list(GET IMAGES ${index} image)
    list(GET SIZES ${index} size)
    file(READ "${image}" content HEX)
    string(LENGTH "${content}" digits)
    math(EXPR length "${digits} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${content}")
    string(REGEX REPLACE "(((0x..,){16}))" "\\1\n    " bytes "${bytes}")
    string(APPEND arrays "constexpr unsigned char kImage${size}[${length}] = {\n    ${bytes}};\n")
    string(APPEND entries "    IconImage{${size}, kImage${size}, sizeof kImage${size}},\n")
endforeach()
file(WRITE "${OUTPUT}.new"
    "// Generated from resources/icons; do not edit.\n"
    "#include \"resources/icons/IconImages.h\"\n\n"
    "#include \"resources/ResourceIds.h\"\n\n"
    "namespace resources {\n"
    "namespace {\n"
    "${arrays}"
    "constexpr IconImage kImages[] = {\n${entries}};\n"
    "} // namespace\n\n"
    "std::span<const IconImage> FindIconImages(int iconId) {\n"
    "    if (iconId != res::IDR_MAINFRAME)\n"
    "        return {};\n"
    "    return kImages;\n"
    "}\n\n"
    "} // namespace resources\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
