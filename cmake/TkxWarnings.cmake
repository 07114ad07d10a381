# Every target of the project compiles with the same warning set; the CI build makes them errors.
add_library(tkx_warnings INTERFACE)
target_compile_options(tkx_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow
                       $<$<BOOL:${TKX_WERROR}>:-Werror>)
