# Warning and sanitizer flags, applied through one interface target so that third-party code
# (GoogleTest, generated sources) is not held to them.
add_library(tallyvol_warnings INTERFACE)
target_compile_options(tallyvol_warnings INTERFACE -Wall -Wextra)
if(TALLYVOL_WERROR)
    target_compile_options(tallyvol_warnings INTERFACE -Werror)
endif()

if(TALLYVOL_SANITIZE)
    # Sanitizers apply to everything, libraries included, so that reports are complete.
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
    # GCC 12 reports false "maybe uninitialized" warnings inside the standard library (std::regex,
    # std::function) once sanitizer instrumentation is on; the normal build keeps the warning.
    target_compile_options(tallyvol_warnings INTERFACE -Wno-maybe-uninitialized)
endif()
