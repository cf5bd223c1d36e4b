# Writes a C++ source holding the stored firmware images as byte arrays.
# -DOUT=<file.cpp> -DSTANDARD=<standard .vt> -DRBOARD=<R-board .vt>
function(embed_array var file out_text)
  file(READ ${file} hex HEX)
  string(LENGTH "${hex}" hexlen)
  math(EXPR size "${hexlen} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n" bytes "${bytes}")
  set(${out_text} "alignas(4) const uint8_t ${var}[] = {\n${bytes}\n};\nconst size_t ${var}Size = ${size};\n" PARENT_SCOPE)
endfunction()

embed_array(kStandardFirmwareStored ${STANDARD} standard_text)
embed_array(kRBoardFirmwareStored ${RBOARD} rboard_text)
file(WRITE ${OUT}.tmp "// Generated from firmware/ by embed_images.cmake. Do not edit.\n#include \"resources/firmware/firmware_resources_data.h\"\nnamespace vt::resources {\n${standard_text}${rboard_text}}  // namespace vt::resources\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
