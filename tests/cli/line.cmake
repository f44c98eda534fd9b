include(${CMAKE_CURRENT_LIST_DIR}/check.cmake)
set(FILE "${WORK}/line.txt")

# Export writes the file and prints nothing.
cli_check("line export" ARGS line export "${FILE}" ${LINE} STATUS 0)
# Import prints the four texts the window's import would put into the fields.
cli_check("line import" ARGS line import "${FILE}" STATUS 0
  STDOUT "1000\n8765.888\n6789.999\n15.152555\n")
# --line stands in for the four line options, in every computation.
cli_check("forward --line" ARGS forward --line "${FILE}" --k 1500 --offset 5 --skew 90
  STATUS 0 STDOUT "9246.95\t6926.398\n")
cli_check("inverse --line" ARGS inverse --line "${FILE}" --x 9246.95 --y 6926.398
  STATUS 0 STDOUT "1500\t5\n")
cli_check("batch --line" ARGS batch --line "${FILE}" --start 2000 --end 2000 --step 1
  STATUS 0 STDOUT " 里程K 偏距P 坐标X 坐标Y\r\n K=2000,P=0,X=9730.643,Y=7053.15\r\n")
# Export keeps the typed texts; import gives them back as number texts.
cli_check("line export typed texts" ARGS line export "${FILE}" --k0 1000.500 --x0 abc
  --y0 1e3 --azimuth 0015.30 STATUS 0)
cli_check("line import typed texts" ARGS line import "${FILE}" STATUS 0
  STDOUT "1000.5\n0\n1000\n15.3\n")
# A missing file is a file error: status 1, the files library's message, no output.
set(missing "无法读取文件“none.txt”：文件不存在！\n")
cli_check("forward --line missing" ARGS forward --line none.txt --k 1500 STATUS 1 STDERR "${missing}")
cli_check("line import missing" ARGS line import none.txt STATUS 1 STDERR "${missing}")

# A UTF-8 byte-order mark is skipped, not read as a line without a number.
execute_process(COMMAND printf "\\357\\273\\2771000\\r\\n8765.888\\r\\n6789.999\\r\\n15.152555\\r\\n"
  OUTPUT_FILE "${WORK}/bom.txt")
cli_check("line import with a UTF-8 mark" ARGS line import bom.txt STATUS 0
  STDOUT "1000\n8765.888\n6789.999\n15.152555\n")
# Lines ending in LF alone: the cause says so.
file(WRITE "${WORK}/lf.txt" "1000\n8765.888\n6789.999\n15.152555\n")
cli_check("line import of LF lines" ARGS line import lf.txt STATUS 1
  STDERR "无法读取文件“lf.txt”：文件的行以LF结尾，线路参数文件的行须以CR LF（或单独的CR）结尾！\n")
