# Warnings as errors on our own targets only; generated and third-party code
# keeps the compiler's defaults.
function(adox_warnings tgt)
  if(MSVC)
    target_compile_options(${tgt} PRIVATE /W4 /WX)
  else()
    target_compile_options(${tgt} PRIVATE -Wall -Wextra -Werror -Wshadow
      -Wnon-virtual-dtor -Woverloaded-virtual)
  endif()
endfunction()

# A GoogleTest program: links the common test main, registers its cases.
function(adox_add_test name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  adox_warnings(${name})
  if(T_GUI)
    target_link_libraries(${name} PRIVATE adox_testmain_gui ${T_LIBS})
  else()
    target_link_libraries(${name} PRIVATE adox_testmain ${T_LIBS})
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
