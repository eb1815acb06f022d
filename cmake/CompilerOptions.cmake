# Warnings and sanitizers shared by every target of the project.
add_library(ledgerfen_options INTERFACE)
target_compile_options(ledgerfen_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
# GCC 12 reports overlapping copies inside std::string's operator+ that cannot
# happen (GCC bug 105329); with -Werror that would fail sound code.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(ledgerfen_options INTERFACE -Wno-restrict)
endif()
if(LEDGERFEN_WERROR)
  target_compile_options(ledgerfen_options INTERFACE -Werror)
endif()
if(LEDGERFEN_SANITIZE)
  target_compile_options(ledgerfen_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all
                         -fno-omit-frame-pointer)
  target_link_options(ledgerfen_options INTERFACE -fsanitize=address,undefined)
  # Caches check what they serve against what they were made from.
  target_compile_definitions(ledgerfen_options INTERFACE LEDGERFEN_CHECK_CACHES)
endif()
