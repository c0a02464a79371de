# Run at install time: writes the desktop entry with the launcher's absolute path under
# the prefix being installed to. In: MEKIRA_BINDIR (relative to the prefix or absolute),
# MEKIRA_DESKTOP_IN, MEKIRA_DESKTOP_OUT; CMAKE_INSTALL_PREFIX as cmake --install sets it.
set(bindir "${MEKIRA_BINDIR}")
if(NOT IS_ABSOLUTE "${bindir}")
  set(bindir "${CMAKE_INSTALL_PREFIX}/${bindir}")
endif()

# The Exec key takes the path as one quoted argument: inside the quotes a backslash,
# double quote, backquote and dollar sign are escaped with a backslash (and the
# backslash doubled once more as the key's value is itself escaped), and % is doubled.
set(exec "${bindir}/mekira-desktop")
string(REPLACE [[\]] [[\\\\]] exec "${exec}")
string(REPLACE [["]] [[\\"]] exec "${exec}")
string(REPLACE [[`]] [[\\`]] exec "${exec}")
string(REPLACE [[$]] [[\\$]] exec "${exec}")
string(REPLACE [[%]] [[%%]] exec "${exec}")
set(MEKIRA_DESKTOP_EXEC "\"${exec}\"")
configure_file("${MEKIRA_DESKTOP_IN}" "${MEKIRA_DESKTOP_OUT}" @ONLY)
