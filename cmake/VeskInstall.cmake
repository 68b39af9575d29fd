# `cmake --install`: the program in bin/, its message-box helper in libexec/vesk/, its data in
# share/vorns/, a desktop entry and an icon.
# The game looks for its data in "../share/vorns/" beside its own folder, so the two folders are
# fixed here rather than taken from GNUInstallDirs.
if(NOT TARGET Vorns)
  return()
endif()

install(TARGETS Vorns RUNTIME DESTINATION bin)
# Found from bin/ as ../libexec/vesk/.
install(TARGETS vesk-message-box RUNTIME DESTINATION libexec/vesk)

# The entry names the program by the prefix in force when installing (`--prefix` included).
install(CODE "
  set(VORNS_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/bin/Vorns\")
  configure_file(\"${PROJECT_SOURCE_DIR}/dist/vorns.desktop.in\"
                 \"${PROJECT_BINARY_DIR}/vorns.desktop\" @ONLY)")
install(FILES ${PROJECT_BINARY_DIR}/vorns.desktop DESTINATION share/applications)

if(TARGET vorns_data)
  install(CODE "
    foreach(made \"${VESK_DATA_PAK}\" \"${VESK_APP_ICON}\")
      if(NOT EXISTS \"\${made}\")
        message(FATAL_ERROR \"\${made} is missing: build the vorns_data target first\")
      endif()
    endforeach()")
  install(FILES ${VESK_DATA_PAK} DESTINATION share/vorns)
  install(FILES ${VESK_APP_ICON} DESTINATION share/icons/hicolor/64x64/apps RENAME vorns.png)
endif()
