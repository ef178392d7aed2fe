# Runs at install time (from cmake_install.cmake), when the prefix given to
# `cmake --install --prefix` is known. Writes the menu entry with Exec and
# TryExec naming the installed program by its full path, so the entry starts
# it even when that bin folder is not on PATH (a fresh ~/.local/bin is not
# until the next login), and installs it.
#
# In: vad_entry_source (the entry in data/), vad_entry_build (where to write
# the result), vad_bindir and vad_datadir (GNUInstallDirs, relative or
# absolute), vad_program (the executable's file name).

set(bindir "${vad_bindir}")
if(NOT IS_ABSOLUTE "${bindir}")
  set(bindir "${CMAKE_INSTALL_PREFIX}/${bindir}")
endif()
set(datadir "${vad_datadir}")
if(NOT IS_ABSOLUTE "${datadir}")
  set(datadir "${CMAKE_INSTALL_PREFIX}/${datadir}")
endif()
set(program "${bindir}/${vad_program}")

# TryExec is a plain string value: only the backslash is escaped.
string(REPLACE "\\" "\\\\" tryexec "${program}")
# Exec is a command line: the path goes in double quotes, where backslash,
# double quote, backquote and dollar need a backslash; a percent sign is
# doubled, and then the string value's backslash escape is applied on top.
set(exec "${program}")
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "\"" "\\\"" exec "${exec}")
string(REPLACE "`" "\\`" exec "${exec}")
string(REPLACE "$" "\\$" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")
string(REPLACE "\\" "\\\\" exec "${exec}")

file(STRINGS "${vad_entry_source}" lines)
set(entry "")
foreach(line IN LISTS lines)
  if(line MATCHES "^TryExec=")
    set(line "TryExec=${tryexec}")
  elseif(line MATCHES "^Exec=")
    set(line "Exec=\"${exec}\"")
  endif()
  string(APPEND entry "${line}\n")
endforeach()

get_filename_component(name "${vad_entry_source}" NAME)
file(WRITE "${vad_entry_build}/${name}" "${entry}")
file(INSTALL DESTINATION "${datadir}/applications" TYPE FILE FILES "${vad_entry_build}/${name}")
