# Run by `cmake --install`: writes the menu entry with the installed program's full path and installs it
# (DESTDIR honoured). Expects the TOLVAR_* variables that resources/CMakeLists.txt sets before it.

function(installed_path result relative)
    if(IS_ABSOLUTE "${relative}")
        set(${result} "${relative}" PARENT_SCOPE)
    else()
        set(${result} "${CMAKE_INSTALL_PREFIX}/${relative}" PARENT_SCOPE)
    endif()
endfunction()

installed_path(program "${TOLVAR_BINDIR}/tolvar")
installed_path(applications "${TOLVAR_APPLICATIONSDIR}")
if(program MATCHES "[\n\r\t]")
    message(FATAL_ERROR "A desktop entry cannot start ${program}")
endif()

# The Exec syntax: a path holding a reserved character goes in double quotes, inside which " ` $ \ take
# a backslash; the value's own escaping then doubles every backslash. A literal % is always doubled.
set(exec "${program}")
if(exec MATCHES "[^A-Za-z0-9/._+-]")
    string(REPLACE "\\" "\\\\" exec "${exec}")
    string(REPLACE "\"" "\\\"" exec "${exec}")
    string(REPLACE "`" "\\`" exec "${exec}")
    string(REPLACE "$" "\\$" exec "${exec}")
    set(exec "\"${exec}\"")
    string(REPLACE "\\" "\\\\" exec "${exec}")
endif()
string(REPLACE "%" "%%" TOLVAR_EXEC "${exec}")

configure_file("${TOLVAR_DESKTOP_TEMPLATE}" "${TOLVAR_DESKTOP_CONFIGURED}" @ONLY)
file(INSTALL DESTINATION "${applications}" TYPE FILE FILES "${TOLVAR_DESKTOP_CONFIGURED}")
