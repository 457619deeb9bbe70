# Compiles the plugin records header alone for a 32-bit target, where its
# static_asserts check the exact 216/104-byte layouts. Exits 77 (skipped) when
# the compiler cannot build 32-bit code here.
execute_process(COMMAND ${CXX} -m32 -x c++ -fsyntax-only -include stdint.h /dev/null
  RESULT_VARIABLE toolchain OUTPUT_QUIET ERROR_QUIET)
if(NOT toolchain EQUAL 0)
  message("SKIPPED: ${CXX} cannot compile 32-bit code (-m32); install g++-multilib to run this check")
  cmake_language(EXIT 77)
endif()
foreach(lang c++ c)
  execute_process(COMMAND ${CXX} -m32 -x ${lang} -fsyntax-only -Wall -Wextra -Werror ${HEADER}
    RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "32-bit layout check failed (${lang}):\n${err}")
  endif()
endforeach()
message("32-bit record layouts: 216/104/540 bytes confirmed")
