include(${CMAKE_CURRENT_LIST_DIR}/check.cmake)

# route dxf as scripts rely on it: what it refuses, with which status and
# message, and that a refused or failed drawing leaves no file. What the
# file holds is read back by dxf_read_back.py.
set(PI "${ROUTE_CASES}/pi-alignment.csv")
set(SMALL "${DATA}/small.csv")

cli_check("dxf --help" ARGS route dxf --help STATUS 0
  STDOUT_MATCHES "用法：korvane-cli route dxf .*--ticks.*--tolerance.*--from")
cli_check("dxf of the reference" ARGS route dxf "${PI}" pi.dxf STATUS 0)
# Group codes right-aligned, lines ending in CR LF, version AC1015 first.
string(HEX "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1015\r\n" want)
string(LENGTH "${want}" length)
math(EXPR length "${length} / 2")
file(READ "${WORK}/pi.dxf" head LIMIT ${length} HEX)
if(NOT head STREQUAL want)
  message(SEND_ERROR "dxf of the reference: the file starts ${head}")
endif()
# The same request gives the same bytes, and standard output takes them too.
cli_check("dxf to standard output" ARGS route dxf "${PI}" - STATUS 0
  STDOUT_MATCHES "ANSI_936")
file(READ "${WORK}/pi.dxf" pi_hex HEX)
if(NOT CLI_OUT_HEX STREQUAL pi_hex)
  message(SEND_ERROR "dxf to standard output: not the bytes of the file")
endif()

# Options out of range or not numbers, each named; nothing written.
cli_check("ticks of 0 m" ARGS route dxf "${PI}" refused.dxf --ticks 0 STATUS 2
  STDERR "--ticks：桩号刻度间距须在1到100000 m之间！\n")
cli_check("tolerance not a number" ARGS route dxf "${PI}" refused.dxf --tolerance 1mm STATUS 2
  STDERR "--tolerance：容差“1mm”不是有效数字！\n")
cli_check("tolerance too fine" ARGS route dxf "${PI}" refused.dxf --tolerance 0.00001 STATUS 2
  STDERR "--tolerance：缓和曲线的弦线容差须在0.0001到10 m之间！\n")
cli_check("decimals out of range" ARGS route dxf "${PI}" refused.dxf --decimals 12 STATUS 2
  STDERR "--decimals：小数位数须为0到9的整数！\n")
# A table's stakes need the whole range and interval; a table the alignment
# refuses is refused the same way as by route table.
cli_check("stakes without --to" ARGS route dxf "${PI}" refused.dxf --from K0+000
  --interval 20 STATUS 2 STDERR "逐桩坐标须同时给出 --from、--to 与 --interval！\n")
cli_check("stakes past the end" ARGS route dxf "${PI}" refused.dxf --from K0+000 --to K9+000
  --interval 20 STATUS 2 STDERR_MATCHES "桩号K9\\+000.000")
cli_check("stakes with names that repeat" ARGS route dxf "${PI}" refused.dxf --from K0+000
  --to K0+010 --interval 0.5 --decimals 0 STATUS 2
  STDERR "间距0.5m小于0位小数桩号能区分的1m，整桩的点名会重复，请增加小数位数或加大间距！\n")
if(EXISTS "${WORK}/refused.dxf")
  message(SEND_ERROR "a refused drawing wrote refused.dxf")
endif()

# The alignment that cannot be read is a file error, one that is refused is
# refused input; an output over the input is refused and the input kept.
cli_check("dxf of no file" ARGS route dxf "${WORK}/none.csv" out.dxf STATUS 1
  STDERR_MATCHES "none.csv")
cli_check("dxf into no folder" ARGS route dxf "${PI}" "${WORK}/no/such/out.dxf" STATUS 1
  STDERR_MATCHES "out.dxf")
file(COPY "${SMALL}" DESTINATION "${WORK}/own")
file(READ "${WORK}/own/small.csv" own_before HEX)
cli_check("dxf over its alignment" ARGS route dxf own/small.csv own/small.csv STATUS 2
  STDERR "输出文件“own/small.csv”就是输入文件“own/small.csv”，不能用结果覆盖输入！\n")
cli_expect_file("the alignment kept" "${WORK}/own/small.csv" "${own_before}")
