# Helpers for the command-line test scripts. A failed check is reported with
# SEND_ERROR, so that one run shows every failing check of a script.
cmake_minimum_required(VERSION 3.25)

# The program as it is run: through EMULATOR (Wine) in a cross build.
set(CLI ${EMULATOR} "${KORVANE_CLI}")

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

# The shared worked example: the line K0 1000, X0 8765.888, Y0 6789.999,
# azimuth 15d15m25.55s.
set(LINE --k0 1000 --x0 8765.888 --y0 6789.999 --azimuth 15.152555)

# cli_native_paths(<var> <arg>...): the arguments as a user of the system
# types them. Under Wine an absolute path becomes one of its drive Z: (on
# Windows a leading "/" starts an option).
function(cli_native_paths var)
  set(out "")
  foreach(arg IN LISTS ARGN)
    if(EMULATOR AND arg MATCHES "^/[^/]")
      string(REPLACE "/" "\\" arg "Z:${arg}")
    endif()
    list(APPEND out "${arg}")
  endforeach()
  set(${var} "${out}" PARENT_SCOPE)
endfunction()

# Bytes made readable in a failure report.
function(_cli_show text out)
  string(REPLACE "\r" "<CR>" text "${text}")
  string(REPLACE "\t" "<TAB>" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# cli_check(<what> ARGS <arg>... STATUS <n> [STDOUT <bytes>] [STDERR <bytes>]
#           [STDOUT_MATCHES <regex>] [STDERR_MATCHES <regex>])
# Runs korvane-cli in WORK. STDOUT and STDERR compare the whole stream byte for
# byte; a stream with neither an expected text nor a pattern must stay empty.
# file(READ) drops every CR, so the patterns match the text without CRs, and
# the bytes are compared in hexadecimal. Sets CLI_OUT_HEX, the stdout bytes.
function(cli_check what)
  cmake_parse_arguments(PARSE_ARGV 1 C ""
    "STATUS;STDOUT;STDERR;STDOUT_MATCHES;STDERR_MATCHES" "ARGS")
  set(C_POSIX_ARGS "${C_ARGS}")
  cli_native_paths(C_ARGS ${C_ARGS})
  execute_process(COMMAND ${CLI} ${C_ARGS}
    WORKING_DIRECTORY "${WORK}"
    RESULT_VARIABLE status OUTPUT_FILE "${WORK}/.stdout" ERROR_FILE "${WORK}/.stderr")
  if(NOT "${status}" STREQUAL "${C_STATUS}")
    file(READ "${WORK}/.stderr" err)
    message(SEND_ERROR "${what}: exit status ${status}, expected ${C_STATUS}\n  stderr: ${err}")
  endif()
  foreach(stream IN ITEMS STDOUT STDERR)
    string(TOLOWER ".${stream}" file)
    file(READ "${WORK}/${file}" text)
    file(READ "${WORK}/${file}" hex HEX)
    if(stream STREQUAL "STDOUT")
      set(CLI_OUT_HEX "${hex}" PARENT_SCOPE)
    endif()
    if(NOT DEFINED C_${stream} AND NOT DEFINED C_${stream}_MATCHES)
      set(C_${stream} "")
    endif()
    if(DEFINED C_${stream})
      # A path in a message reads as the user gave it: each path argument,
      # then the folder it is in, then the test's own folders.
      if(EMULATOR)
        foreach(arg IN LISTS C_POSIX_ARGS)
          if(arg MATCHES "^/[^/]")
            cli_native_paths(native "${arg}")
            string(REPLACE "${arg}" "${native}" C_${stream} "${C_${stream}}")
            get_filename_component(folder "${arg}" DIRECTORY)
            cli_native_paths(native "${folder}")
            string(REPLACE "“${folder}”" "“${native}”" C_${stream} "${C_${stream}}")
          endif()
        endforeach()
        foreach(dir IN ITEMS "${WORK}" "${DATA}" "${ROUTE_CASES}")
          if(dir)
            cli_native_paths(native "${dir}")
            string(REPLACE "${dir}" "${native}" C_${stream} "${C_${stream}}")
          endif()
        endforeach()
      endif()
      string(HEX "${C_${stream}}" expected)
      if(NOT "${hex}" STREQUAL "${expected}")
        _cli_show("${C_${stream}}" e)
        message(SEND_ERROR "${what}: ${stream} differs\n  got:      [${text}]\n"
          "  expected: [${e}]\n  got bytes:      ${hex}\n  expected bytes: ${expected}")
      endif()
    endif()
    if(DEFINED C_${stream}_MATCHES AND NOT "${text}" MATCHES "${C_${stream}_MATCHES}")
      message(SEND_ERROR "${what}: ${stream} does not match ${C_${stream}_MATCHES}\n  got: [${text}]")
    endif()
  endforeach()
endfunction()

# cli_line_ends(<hex> <crlf_var> <lf_var>): how many CR LF pairs and how many
# LF bytes the bytes hold.
function(cli_line_ends hex crlf_var lf_var)
  string(REGEX REPLACE "(..)" " \\1" spaced "${hex}")
  string(REGEX MATCHALL " 0d 0a" crlf "${spaced}")
  string(REGEX MATCHALL " 0a" lf "${spaced}")
  list(LENGTH crlf crlf)
  list(LENGTH lf lf)
  set(${crlf_var} ${crlf} PARENT_SCOPE)
  set(${lf_var} ${lf} PARENT_SCOPE)
endfunction()

# cli_expect_file(<what> <path> <hex>): the file holds exactly these bytes.
function(cli_expect_file what path hex)
  if(NOT EXISTS "${path}")
    message(SEND_ERROR "${what}: ${path} was not written")
    return()
  endif()
  file(READ "${path}" actual HEX)
  string(TOLOWER "${hex}" hex)
  if(NOT "${actual}" STREQUAL "${hex}")
    message(SEND_ERROR "${what}: bytes differ\n  got:      ${actual}\n  expected: ${hex}")
  endif()
endfunction()
