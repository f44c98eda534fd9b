include(${CMAKE_CURRENT_LIST_DIR}/check.cmake)
set(RANGE --start 1000 --end 2000 --step 20)

# The worked example: header and 51 rows, every line ending in CR LF.
cli_check("batch table" ARGS batch ${LINE} ${RANGE} --offset 0 --skew 90 STATUS 0
  STDOUT_MATCHES "^ 里程K 偏距P 坐标X 坐标Y\n K=1000,P=0,X=8765.888,Y=6789.999\n K=1020,P=0,X=8785.183,Y=6795.262\n.* K=2000,P=0,X=9730.643,Y=7053.15\n$")
cli_line_ends("${CLI_OUT_HEX}" crlf lf)
if(NOT crlf EQUAL 52 OR NOT lf EQUAL 52)
  message(SEND_ERROR "batch table: ${crlf} CR LF and ${lf} LF line ends, expected 52 of each")
endif()

# CSV keeps the table's number texts, with line feeds.
cli_check("batch csv" ARGS batch ${LINE} ${RANGE} --csv STATUS 0
  STDOUT_MATCHES "^K,P,X,Y\n1000,0,8765.888,6789.999\n1020,0,8785.183,6795.262\n.*\n2000,0,9730.643,7053.15\n$")
cli_line_ends("${CLI_OUT_HEX}" crlf lf)
if(NOT lf EQUAL 52 OR NOT crlf EQUAL 0)
  message(SEND_ERROR "batch csv: ${lf} lines, expected 52 and no CR")
endif()
# CASS data: numbered from 1, empty code, easting before northing, height 0.
cli_check("batch cass" ARGS batch ${LINE} ${RANGE} --offset 5 --skew 90 --cass STATUS 0
  STDOUT_MATCHES "^1,,6794.823,8764.572,0\n2,,.*\n51,,[0-9.]+,[0-9.]+,0\n$")

# A report around a one-row table, byte for byte: frame in code page 936, CR LF.
cli_check("batch report" ARGS batch ${LINE} --start 1000 --end 1000 --step 20
  --report "${WORK}/report.txt" STATUS 0)
string(HEX " K=1000,P=0,X=8765.888,Y=6789.999\r\n" row)
string(REPEAT "2d" 17 rule)
set(header "20c0efb3cc4b20c6abbee05020d7f8b1ea5820d7f8b1ea590d0a")
set(signoff "bcc6cbe3a3bae1b0caaf20202020b8b4bacba3ba2020202020bce0c0eda3ba")
cli_expect_file("batch report bytes" "${WORK}/report.txt"
  "0d0a0d0a2020202020202020d7f8b1eabcc6cbe3b3c9b9fbb1ed0d0a202020202020${rule}0d0a0d0a0d0a${header}${row}0d0a0d0a0d0a${signoff}0d0a")
# A report that cannot be written: status 1 and the files library's message.
cli_check("batch report unwritable" ARGS batch ${LINE} ${RANGE}
  --report missing-folder/report.txt
  STATUS 1 STDERR "无法保存文件“missing-folder/report.txt”：文件夹“missing-folder”不存在！\n")

# The step check, with nothing on stdout.
cli_check("batch zero step" ARGS batch ${LINE} --start 1000 --end 2000 --step 0.000
  STATUS 2 STDERR "计算步长m值不能≤0！\n")
# The end before the start.
cli_check("batch end before start" ARGS batch ${LINE} --start 1500 --end 1400 --step 20
  STATUS 2 STDERR "起算桩号不能大于止算桩号！\n")
# A left-out --step is the empty Text17.
cli_check("batch without --step" ARGS batch ${LINE} --start 1000 --end 2000 --csv
  STATUS 2 STDERR "请输入计算步长m！\n")
# A rejected batch writes no report file.
cli_check("batch report rejected" ARGS batch ${LINE} --start 900 --end 2000 --step 20
  --report "${WORK}/rejected.txt" STATUS 2 STDERR "起算桩号不能小于起点桩号！\n")
if(EXISTS "${WORK}/rejected.txt")
  message(SEND_ERROR "batch report rejected: the report file was written")
endif()

# A folder that exists but takes no new file is named as such.
cli_check("batch report in /proc" ARGS batch ${LINE} ${RANGE} --report /proc/korvane-report.txt
  STATUS 1 STDERR "无法保存文件“/proc/korvane-report.txt”：无法在文件夹“/proc”中新建文件！\n")
# Beyond 2^53 the running chainage stops growing: the step is too small there.
cli_check("batch beyond 2^53" ARGS batch ${LINE} --start 9007199254740990 --end 9007199254741010
  --step 1 STATUS 2 STDERR "计算步长m太小，桩号增至9007199254740992后无法再递增！\n")
# Under a file-size limit (ulimit -f 1: 512 or 1024 bytes) the report fails
# with its cause instead of SIGXFSZ, and no temporary file stays behind.
# (POSIX only: Windows has no file-size limit.)
if(NOT EMULATOR)
execute_process(COMMAND sh -c "ulimit -f 1 && exec \"$0\" \"$@\"" "${KORVANE_CLI}"
  batch ${LINE} ${RANGE} --report limited.txt
  WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 1 OR NOT err STREQUAL "无法保存文件“limited.txt”：文件超出了允许的大小！\n")
  message(SEND_ERROR "batch report under ulimit -f: status ${status}, stderr [${err}]")
endif()
file(GLOB leftovers "${WORK}/.korvane-*" "${WORK}/limited.txt")
if(leftovers)
  message(SEND_ERROR "batch report under ulimit -f left ${leftovers}")
endif()
endif()
