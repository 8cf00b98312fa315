# Turns binary files into a C++ source of byte arrays, so the program needs no file but
# itself. Called at build time:
#   cmake -DOUTPUT=... -DNAMES=a;b -DFILES=x;y [-DNAMESPACE=other] -P Embed.cmake
# NAMES and FILES give artwork::<name>(), or other::<name>() for data that is not
# artwork (such as the KWin script).
function(bytes_of file variable)
  file(READ "${file}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
  set(${variable} "${bytes}" PARENT_SCOPE)
endfunction()

list(LENGTH NAMES count)
math(EXPR last "${count} - 1")
if(NOT NAMESPACE)
  set(NAMESPACE artwork)
endif()
set(text "// Generated from files of the sources at build time; do not edit.\n")
string(APPEND text "#include <cstdint>\n#include <span>\n\n")
string(APPEND text "namespace ${NAMESPACE} {\n")
foreach(i RANGE ${last})
  list(GET NAMES ${i} name)
  list(GET FILES ${i} file)
  bytes_of("${file}" bytes)
  string(APPEND text "static const std::uint8_t ${name}Bytes[] = {\n${bytes}};\n")
  string(APPEND text "std::span<const std::uint8_t> ${name}() { return ${name}Bytes; }\n")
endforeach()
string(APPEND text "}  // namespace ${NAMESPACE}\n")
file(WRITE "${OUTPUT}.tmp" "${text}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
