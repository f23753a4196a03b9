# Settings shared by every target of the project, carried by one INTERFACE
# target so that no library can forget the standard, the warnings or the
# Qt strictness macros.

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
    set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
set(CMAKE_AUTOMOC ON)

# A clean clone in CI recompiles everything; ccache makes the second build cheap.
find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
    set(CMAKE_CXX_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
endif()

add_library(lorvanta_options INTERFACE)
target_compile_features(lorvanta_options INTERFACE cxx_std_20)
target_compile_options(lorvanta_options INTERFACE -Wall -Wextra)
target_compile_definitions(lorvanta_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_KEYWORDS
    QT_USE_QSTRINGBUILDER)

if(LORVANTA_SANITIZE)
    target_compile_options(lorvanta_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(lorvanta_options INTERFACE -fsanitize=address,undefined)
endif()
