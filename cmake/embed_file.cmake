# Writes a C++ source that defines a function answering the bytes of a file.
#   cmake -DINPUT=... -DOUTPUT=... -DFUNCTION=ns::Name -P embed_file.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
string(REGEX MATCH "^(.*)::([^:]+)$" unused "${FUNCTION}")
set(namespace "${CMAKE_MATCH_1}")
set(name "${CMAKE_MATCH_2}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT_NAME}; do not edit.\n#include <cstddef>\n#include <cstdint>\n#include <span>\n\n"
"namespace ${namespace} {\nnamespace {\nconstexpr std::uint8_t Bytes[${size}] = {\n${bytes}\n};\n}  // namespace\n\n"
"std::span<const std::uint8_t> ${name}() noexcept { return {Bytes, ${size}}; }\n\n}  // namespace ${namespace}\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
