# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the built bundle for the current user (run by `cmake --install`):
#   $HOME/Applications/CorvaneTidewell.app
#   ${XDG_DATA_HOME:-$HOME/.local/share}/applications/com.corvane.CorvaneTidewell.desktop
# Expects CORVANE_MAIN_BUNDLE and CORVANE_DESKTOP_TEMPLATE.
if(NOT DEFINED ENV{HOME} OR "$ENV{HOME}" STREQUAL "")
  message(FATAL_ERROR "HOME is not set: no user to install for")
endif()
set(home "$ENV{HOME}")
set(applications "${home}/Applications")
if(DEFINED ENV{XDG_DATA_HOME} AND NOT "$ENV{XDG_DATA_HOME}" STREQUAL "")
  set(data "$ENV{XDG_DATA_HOME}")
else()
  set(data "${home}/.local/share")
endif()

# A bundle left from an older version must not keep files the new one dropped.
if(EXISTS "${applications}/CorvaneTidewell.app")
  file(REMOVE_RECURSE "${applications}/CorvaneTidewell.app")
endif()
file(INSTALL "${CORVANE_MAIN_BUNDLE}" DESTINATION "${applications}" USE_SOURCE_PERMISSIONS)

set(installed "${applications}/CorvaneTidewell.app")
set(program "${installed}/Contents/MacOS/CorvaneTidewell")
# The Exec value: the program in double quotes with the desktop-entry escapes, then every
# backslash doubled once more for the value itself.
set(quoted "${program}")
string(REPLACE "\\" "\\\\" quoted "${quoted}")
string(REPLACE "\"" "\\\"" quoted "${quoted}")
string(REPLACE "`" "\\`" quoted "${quoted}")
string(REPLACE "$" "\\$" quoted "${quoted}")
string(REPLACE "%" "%%" quoted "${quoted}")
string(REPLACE "\\" "\\\\" quoted "${quoted}")
set(CORVANE_DESKTOP_EXEC "\"${quoted}\"")
set(CORVANE_DESKTOP_ICON "${installed}/Contents/Resources/AppIcon.png")
configure_file("${CORVANE_DESKTOP_TEMPLATE}" "${data}/applications/com.corvane.CorvaneTidewell.desktop" @ONLY)
message(STATUS "Installed: ${installed}")
message(STATUS "Launcher: ${data}/applications/com.corvane.CorvaneTidewell.desktop")
