# One interface target with the settings every Brenvik target shares.
find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_CXX_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
endif()

# The compile database that clang-tidy reads (scripts/lint.sh).
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

add_library(brenvik_common INTERFACE)
target_compile_features(brenvik_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(brenvik_common INTERFACE -Wall -Wextra)
# GCC 12 reports false -Wrestrict warnings in std::string code at -O2.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(brenvik_common INTERFACE -Wno-restrict)
endif()
if(BRENVIK_WERROR)
  target_compile_options(brenvik_common INTERFACE -Werror)
endif()
if(WIN32)
  target_compile_definitions(brenvik_common INTERFACE
    NOMINMAX WIN32_LEAN_AND_MEAN UNICODE _UNICODE _WIN32_WINNT=0x0601)
endif()
target_include_directories(brenvik_common INTERFACE ${PROJECT_SOURCE_DIR}/src)

# Headers written at configure time (the version), included as "base/...".
configure_file(${PROJECT_SOURCE_DIR}/src/base/version.h.in
               ${PROJECT_BINARY_DIR}/generated/base/version.h @ONLY)
target_include_directories(brenvik_common INTERFACE ${PROJECT_BINARY_DIR}/generated)
