# Writes a C++ table of raw-data resources; run in script mode by tkx_embed_resources().
set(_body "")
set(_table "")
set(_index 0)
foreach(_file IN LISTS FILES)
    get_filename_component(_stem "${_file}" NAME_WE)
    string(REGEX MATCH "^([0-9]+)_(.+)$" _match "${_stem}")
    if(NOT _match)
        message(FATAL_ERROR "resource file name must be <id>_<name>.txt: ${_file}")
    endif()
    set(_id "${CMAKE_MATCH_1}")
    set(_name "${CMAKE_MATCH_2}")
    file(READ "${_file}" _hex HEX)
    string(LENGTH "${_hex}" _hexlen)
    math(EXPR _size "${_hexlen} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," _bytes "${_hex}")
    string(APPEND _body "const char kResource${_index}[] = {${_bytes} 0};\n")
    string(APPEND _table "    {${_id}, \"${_name}\", {kResource${_index}, ${_size}}},\n")
    math(EXPR _index "${_index} + 1")
endforeach()
file(WRITE "${OUT}.tmp"
"// Generated from the resource folder; do not edit.\n"
"#include \"registers/tkxrawresources.h\"\n\n"
"namespace {\n${_body}\nconst tkx::RawResource kResources[] = {\n${_table}    {0, {}, {}},\n};\n} // namespace\n\n"
"namespace tkx {\n"
"std::span<const RawResource> EmbeddedResources() { return {kResources, std::size(kResources) - 1}; }\n"
"} // namespace tkx\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
