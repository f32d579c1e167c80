# The outside programs that the tests and tools use are looked for here and nowhere else,
# each once, in one cache entry PIECETTES_<PROGRAM> (PIECETTES_XVFB, PIECETTES_FIREFOX_ESR,
# PIECETTES_AT_SPI_BUS_LAUNCHER...) that may be set to another path, or emptied to do without
# it. Only test tools are looked for this way: the program itself needs no tool.

# piecettes_missing_tools(<missing> <program>...): looks for each program and appends the
# name of each one not found to the list <missing>.
# The list is named by ARGV0, not by a parameter, which would hide a caller's list of the same name.
function(piecettes_missing_tools)
  set(absent ${${ARGV0}})
  list(POP_FRONT ARGN)
  foreach(program IN LISTS ARGN)
    string(TOUPPER "PIECETTES_${program}" variable)
    string(MAKE_C_IDENTIFIER ${variable} variable)
    if(program STREQUAL "python3")
      # Debian's own, which has the Debian packages' modules (pyatspi, websocket), whichever
      # python3 comes first on PATH.
      set(where PATHS /usr/bin NO_DEFAULT_PATH)
    else()
      # The accessibility bus launcher is no command of its own: Debian keeps it in /usr/libexec.
      set(where PATHS /usr/libexec)
    endif()
    find_program(${variable} ${program} ${where})
    if(NOT ${variable})
      list(APPEND absent ${program})
    endif()
  endforeach()
  set(${ARGV0} ${absent} PARENT_SCOPE)
endfunction()

# piecettes_missing_python_modules(<missing> <module>...): the plays and Orca run with
# Debian's python3 (PIECETTES_PYTHON3); each module it cannot import, or every module if it
# is missing, is appended to the list <missing> as "<module> for /usr/bin/python3".
function(piecettes_missing_python_modules)
  set(absent ${${ARGV0}})
  list(POP_FRONT ARGN)
  set(no_python)
  piecettes_missing_tools(no_python python3)
  set(python ${PIECETTES_PYTHON3})
  if(no_python)
    set(python /usr/bin/python3)
  endif()
  foreach(module IN LISTS ARGN)
    set(failed 1)
    if(NOT no_python)
      execute_process(COMMAND ${python} -c "import ${module}" RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
    endif()
    if(NOT failed EQUAL 0)
      list(APPEND absent "${module} for ${python}")
    endif()
  endforeach()
  set(${ARGV0} ${absent} PARENT_SCOPE)
endfunction()

# piecettes_find_tools(<result> <what> <program>...): looks for the programs that the tests
# or tools <what> need. If one is missing, <what> is left out and <result> is false.
function(piecettes_find_tools result what)
  set(missing)
  piecettes_missing_tools(missing ${ARGN})
  if(missing)
    list(JOIN missing ", " missing)
    piecettes_leave_out("${what}" "${missing} cannot be found (scripts/setup.sh installs the test tools)")
    set(${result} FALSE PARENT_SCOPE)
  else()
    set(${result} TRUE PARENT_SCOPE)
  endif()
endfunction()
