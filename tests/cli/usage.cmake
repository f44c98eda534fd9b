include(${CMAKE_CURRENT_LIST_DIR}/check.cmake)

# Every command has --help, on stdout, status 0.
foreach(command forward inverse batch "line;export" "line;import")
  cli_check("${command} --help" ARGS ${command} --help STATUS 0 STDOUT_MATCHES "--help")
endforeach()
# The version, and only the version, with no command needed.
cli_check("--version" ARGS --version STATUS 0 STDOUT "Korvane 1.2\n")
cli_check("--version before a command" ARGS --version forward STATUS 0 STDOUT "Korvane 1.2\n")

# --line and the line options together are a usage error with CLI11's hint.
cli_check("--line with --k0" ARGS forward --line x.txt --k0 1000 --k 1500
  STATUS 108 STDERR_MATCHES "--k0 excludes --line.*--help")
# Two batch output formats at once.
cli_check("--csv with --cass" ARGS batch ${LINE} --start 1000 --end 2000 --step 20 --csv --cass
  STATUS 108 STDERR_MATCHES "excludes.*--help")
# No command at all.
cli_check("no command" ARGS STATUS 106 STDERR_MATCHES "subcommand.*--help")

# Help that cannot be written is a failure: status 1 and a message on stderr.
foreach(command "" forward inverse batch "line;export" "line;import")
  execute_process(COMMAND ${CLI} ${command} --help
    OUTPUT_FILE /dev/full ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL 1 OR NOT err STREQUAL "无法写入标准输出！\n")
    message(SEND_ERROR "${command} --help > /dev/full: status ${status}, stderr [${err}]")
  endif()
endforeach()
