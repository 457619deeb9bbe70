# Cross build for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, which std::thread needs). Test programs run under wine when it is
# there.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The programs carry the C++ and thread run-times, so they start under wine
# (or on a machine) without MinGW's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
find_program(ADOX_WINE wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(ADOX_WINE wine64 wine)
if(ADOX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ADOX_WINE})
endif()
