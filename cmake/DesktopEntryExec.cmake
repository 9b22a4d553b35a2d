# Included by install scripts (`cmake --install`) that write desktop entries once the final
# prefix is known.
#
# tvk_desktop_entry_exec(<out-exec> <out-tryexec> <program>): <program>, an absolute path, as the
# first argument of an Exec value and as a TryExec value, escaped for the key file. Desktop-entry
# quoting: an Exec argument with a reserved character is double-quoted, and inside the quotes ",
# `, $ and \ take a backslash; then every string value gets the general escape, a backslash
# doubled. A percent sign would have to be written "%%" in Exec, which GLib-based launchers do
# not undo before they look for the program, so they would refuse the entry: such a path, or
# one with a control character, stops the installation.
function(tvk_desktop_entry_exec out_exec out_tryexec program)
  if(program MATCHES "[\n\r\t%]")
    message(FATAL_ERROR "an install path in a desktop entry must not contain a control character or \"%\": ${program}")
  endif()
  set(argument "${program}")
  if(argument MATCHES "[ \"'\\\\><~|&;$*?#()`]")
    string(REPLACE "\\" "\\\\" argument "${argument}")
    string(REPLACE "\"" "\\\"" argument "${argument}")
    string(REPLACE "`" "\\`" argument "${argument}")
    string(REPLACE "$" "\\$" argument "${argument}")
    set(argument "\"${argument}\"")
  endif()
  string(REPLACE "\\" "\\\\" exec "${argument}")
  string(REPLACE "\\" "\\\\" tryexec "${program}")
  set(${out_exec} "${exec}" PARENT_SCOPE)
  set(${out_tryexec} "${tryexec}" PARENT_SCOPE)
endfunction()
