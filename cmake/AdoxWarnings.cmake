# Warnings on our own targets only; generated and third-party code keeps the
# compiler's defaults. They become errors with ADOX_WERROR (the presets and CI),
# not in a packager's build, where a newer compiler or other flags may warn
# about code that is fine.
function(adox_warnings tgt)
  if(MSVC)
    target_compile_options(${tgt} PRIVATE /W4 $<$<BOOL:${ADOX_WERROR}>:/WX>)
  else()
    target_compile_options(${tgt} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor
      -Woverloaded-virtual $<$<BOOL:${ADOX_WERROR}>:-Werror>)
  endif()
endfunction()

# A GoogleTest program: links the common test main, registers its cases.
# GUI: a QApplication with the style and the device pixel ratio pinned;
# VXAPP: the same under the program's own application class.
function(adox_add_test name)
  cmake_parse_arguments(T "GUI;VXAPP" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  adox_warnings(${name})
  if(T_VXAPP)
    target_link_libraries(${name} PRIVATE adox_testmain_vx ${T_LIBS})
  elseif(T_GUI)
    target_link_libraries(${name} PRIVATE adox_testmain_gui ${T_LIBS})
  else()
    target_link_libraries(${name} PRIVATE adox_testmain ${T_LIBS})
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # Labelled with the program's name, so a preset can run one program's cases.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS ${name})
endfunction()
