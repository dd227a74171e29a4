# Running the cross-built programs here: under Wine, in a prefix of the build tree's own, so that
# nothing touches the user's ~/.wine and a test's COM registrations die with the build tree.
find_program(WINESERVER_PROGRAM wineserver REQUIRED)
find_program(WINEBOOT_PROGRAM wineboot REQUIRED)
set(VORRINDEL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
# No .NET or Gecko installer prompts, no debug chatter on stderr.
set(VORRINDEL_WINE_ENV WINEPREFIX=${VORRINDEL_WINEPREFIX} WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=")
set(CMAKE_CROSSCOMPILING_EMULATOR env ${VORRINDEL_WINE_ENV} ${WINE_PROGRAM})

# Making a prefix takes several seconds: do it once, while building, not inside a test's time limit.
set(_stamp ${VORRINDEL_WINEPREFIX}/.vorrindel-ready)
add_custom_command(
  OUTPUT ${_stamp}
  COMMAND env ${VORRINDEL_WINE_ENV} ${WINEBOOT_PROGRAM} -i
  # Test windows are not left to a window manager: there is none on a virtual display, and Wine
  # would wait two seconds for one whenever a window is hidden or closed.
  COMMAND env ${VORRINDEL_WINE_ENV} ${WINE_PROGRAM} reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f
  # Wait until the prefix's registry is on disk and the server has gone.
  COMMAND env ${VORRINDEL_WINE_ENV} ${WINESERVER_PROGRAM} -w
  COMMAND ${CMAKE_COMMAND} -E touch ${_stamp}
  COMMENT "Creating the Wine prefix ${VORRINDEL_WINEPREFIX}"
  VERBATIM)
add_custom_target(wineprefix ALL DEPENDS ${_stamp})
