include(${CMAKE_CURRENT_LIST_DIR}/check.cmake)

# Names or none, commas, tabs and spaces, a comment, blank lines, CR LF and a
# last line without a line end: each point's X and Y as typed, then K and P.
file(WRITE "${WORK}/points.txt" "# stake-out points\nP1, 9246.95, 6926.398\r\nP2\t9249.581\t6916.751\n\n  \n9730.643 7053.15\n桩4,8665.888,6789.999")
cli_check("points" ARGS inverse ${LINE} --points points.txt STATUS 0
  STDOUT "name,X,Y,K,P\nP1,9246.95,6926.398,1500,5\nP2,9249.581,6916.751,1500,-5\n,9730.643,7053.15,2000,0\n桩4,8665.888,6789.999,903.525,26.315\n")
# A name holding a quote is quoted for CSV.
file(WRITE "${WORK}/quote.txt" "a\"b 9246.95 6926.398\n")
cli_check("points quoted name" ARGS inverse ${LINE} --points quote.txt STATUS 0
  STDOUT "name,X,Y,K,P\n\"a\"\"b\",9246.95,6926.398,1500,5\n")
# The whole file is checked first: every bad line by its number, nothing on stdout.
file(WRITE "${WORK}/bad.txt" "P1 9246.95 6926.398\n\nP2 9246.95\nP3 abc 1\n1 2 3 4\nP5 1e999 1\n")
set(bad "此行不是“[点名] X Y”两个坐标数字！")
cli_check("points bad lines" ARGS inverse ${LINE} --points bad.txt STATUS 2
  STDERR "bad.txt:3: ${bad}\nbad.txt:4: ${bad}\nbad.txt:5: ${bad}\nbad.txt:6: ${bad}\n")
# The line is checked as in the window: a missing --azimuth is reported once.
cli_check("points without azimuth" ARGS inverse --k0 1000 --x0 1 --y0 2 --points points.txt
  STATUS 2 STDERR "请输入计算方位角！\n")
# A file saved in code page 936 is refused, not passed on as broken UTF-8.
cli_check("points in code page 936" ARGS inverse ${LINE} --points "${DATA}/points-gbk.txt"
  STATUS 2 STDERR "${DATA}/points-gbk.txt: 点文件须为 UTF-8 文本！\n")
# A points file that cannot be read: status 1, the message in the files library's shape.
cli_check("points missing" ARGS inverse ${LINE} --points none.txt
  STATUS 1 STDERR "无法读取文件“none.txt”：文件不存在！\n")

# Past the first 20 bad lines only their count is given.
string(REPEAT "bad\n" 25 many_bad)
file(WRITE "${WORK}/many.txt" "P1 1 2\n${many_bad}")
set(listed "")
foreach(n RANGE 2 21)
  string(APPEND listed "many.txt:${n}: ${bad}\n")
endforeach()
cli_check("points many bad lines" ARGS inverse ${LINE} --points many.txt STATUS 2
  STDERR "${listed}many.txt: 另有5行不是“[点名] X Y”两个坐标数字！\n")
# Memory that runs out is a message and status 1, not an abort (not under
# AddressSanitizer, which cannot start with an address-space limit).
# (Not on Windows: no ulimit there.)
if(NOT SANITIZED AND NOT EMULATOR)
  string(REPEAT "0 0\n" 4096 block)
  string(REPEAT "${block}" 256 big)
  file(WRITE "${WORK}/big.txt" "${big}")
  # The limit is 4 MB past what the program needs to start at all (the Qt
  # libraries it loads for PDF reports where it is built with them), found
  # in steps of 4 MB; reading the 4 MB file and its points needs more.
  set(start_limit "")
  foreach(step RANGE 1 64)
    math(EXPR limit "${step} * 4000")
    execute_process(COMMAND sh -c "ulimit -v ${limit} && exec \"$0\" --version" "${KORVANE_CLI}"
      RESULT_VARIABLE started OUTPUT_QUIET ERROR_QUIET)
    if(started EQUAL 0)
      set(start_limit ${limit})
      break()
    endif()
  endforeach()
  math(EXPR limit "${start_limit} + 4000")
  execute_process(COMMAND sh -c "ulimit -v ${limit} && exec \"$0\" \"$@\"" "${KORVANE_CLI}"
    inverse ${LINE} --points big.txt
    WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 1 OR NOT err STREQUAL "内存不足，无法完成这项操作！\n" OR NOT out STREQUAL "")
    message(SEND_ERROR "points under ulimit -v: status ${status}, stderr [${err}]")
  endif()
endif()
