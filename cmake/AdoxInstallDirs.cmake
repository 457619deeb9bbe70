# Where the installed files go, and the paths a program uses to find its
# private files from its own folder. The same relative paths hold in the
# build tree, except for the plugin, which is also looked for beside the
# program there.
set(ADOX_PLUGIN_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/adoxport)
set(ADOX_SHARE_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/adoxport)
set(ADOX_GUIDE_INSTALL_DIR ${ADOX_SHARE_INSTALL_DIR}/guida)

file(RELATIVE_PATH ADOX_PLUGIN_DIR_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
  ${CMAKE_INSTALL_PREFIX}/${ADOX_PLUGIN_INSTALL_DIR})
file(RELATIVE_PATH ADOX_SHARE_DIR_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
  ${CMAKE_INSTALL_PREFIX}/${ADOX_SHARE_INSTALL_DIR})
file(RELATIVE_PATH ADOX_GUIDE_DIR_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
  ${CMAKE_INSTALL_PREFIX}/${ADOX_GUIDE_INSTALL_DIR})

# A desktop entry's ID is this prefix and the program's name; the programs
# name their windows after it.
set(ADOX_APP_ID_PREFIX invalid.adoxport.)
