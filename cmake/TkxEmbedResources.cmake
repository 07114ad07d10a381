# Compiles text files into the program as raw-data resources.
# A resource file is named "<id>_<name>.txt"; it is reachable by its number and by its name.
function(tkx_embed_resources target resource_dir)
    file(GLOB _files CONFIGURE_DEPENDS "${resource_dir}/*.txt")
    set(_out "${CMAKE_CURRENT_BINARY_DIR}/tkxembeddedresources.cpp")
    add_custom_command(
        OUTPUT "${_out}"
        COMMAND ${CMAKE_COMMAND} -DOUT=${_out} "-DFILES=${_files}"
                -P "${PROJECT_SOURCE_DIR}/cmake/TkxEmbedResourcesScript.cmake"
        DEPENDS ${_files} "${PROJECT_SOURCE_DIR}/cmake/TkxEmbedResourcesScript.cmake"
        COMMENT "Embedding raw-data resources"
        VERBATIM)
    target_sources(${target} PRIVATE "${_out}")
endfunction()
