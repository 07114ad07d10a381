# Sanitizers apply to the whole build so that the core library and its callers agree.
if(TKX_SANITIZE)
    list(JOIN TKX_SANITIZE "," _tkx_sanitizers)
    add_compile_options(-fsanitize=${_tkx_sanitizers} -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${_tkx_sanitizers})
endif()
if(TKX_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "TKX_FUZZ needs clang (configure with CXX=clang++)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
