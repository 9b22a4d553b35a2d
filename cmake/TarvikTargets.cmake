# Conventions shared by every target: warnings, sanitizers, and helpers that build a module
# library or a test program from the sources of one folder.

add_library(tvk_build_flags INTERFACE)
target_compile_options(tvk_build_flags INTERFACE -Wall -Wextra -Wno-missing-field-initializers)
if(TARVIK_WERROR)
  target_compile_options(tvk_build_flags INTERFACE -Werror)
endif()
if(TARVIK_BUILD_LIBFUZZER)
  # Coverage feedback for libFuzzer must come from every library a target links, not only
  # from the target's own file.
  target_compile_options(tvk_build_flags INTERFACE -fsanitize=fuzzer-no-link)
endif()
if(TARVIK_SANITIZERS)
  target_compile_options(tvk_build_flags INTERFACE -fsanitize=${TARVIK_SANITIZERS} -fno-omit-frame-pointer
                                                   -fno-sanitize-recover=undefined)
  target_link_options(tvk_build_flags INTERFACE -fsanitize=${TARVIK_SANITIZERS})
endif()

# tvk_add_module(NAME <target> [DIRECTORY <dir>] [PUBLIC <libs>...] [PRIVATE <libs>...])
# A static library of every .cpp under the module's folder; the project root is the include
# root, so headers are included as "Platform/Runtime/Date.hpp".
function(tvk_add_module)
  cmake_parse_arguments(ARG "" "NAME;DIRECTORY" "PUBLIC;PRIVATE" ${ARGN})
  if(NOT ARG_DIRECTORY)
    set(ARG_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${ARG_DIRECTORY}/*.cpp)
  add_library(${ARG_NAME} STATIC ${sources})
  target_include_directories(${ARG_NAME} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
  target_link_libraries(${ARG_NAME} PUBLIC tvk_build_flags ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
endfunction()
