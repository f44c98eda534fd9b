include(${CMAKE_CURRENT_LIST_DIR}/check.cmake)

# The route commands on the reference intersection-point alignment (code page 936,
# CR LF; two transitions, a simple curve, a long chain K1+200=K1+190, a
# profile) and on small files of this folder.
set(PI "${ROUTE_CASES}/pi-alignment.csv")
set(SMALL "${DATA}/small.csv")
set(TWO "${DATA}/two.xml")

# info: every main point, the chain break with both chainages, packed
# azimuths, INF on straights and the radius signed by the turn.
set(PI_INFO "label,station,X,Y,azimuth,radius
QD,K0+000.000,3456789.123,512345.678,37.331103,INF
ZH,K0+374.681,3457086.166,512574.045,37.331103,INF
HY,K0+494.681,3457178.770,512650.280,43.165751,600.000
QZ,K0+578.305,3457235.460,512711.662,51.160511,600.000
YH,K0+661.928,3457283.074,512780.324,59.151270,600.000
HZ,K0+781.928,3457337.391,512887.267,64.585918,INF
ZH,K0+994.301,3457427.201,513079.716,64.585918,INF
HY,K1+144.301,3457494.823,513213.543,59.364186,-800.000
断链,K1+200.000=K1+190.000,3457524.648,513260.571,55.372090,-800.000
QZ,K1+363.259,3457637.139,513391.900,43.124936,-800.000
YH,K1+642.217,3457869.316,513543.973,23.140532,-800.000
HZ,K1+742.217,3457962.753,513579.555,19.391377,INF
ZY,K1+994.101,3458199.963,513664.272,19.391377,400.000
QZ,K2+097.931,3458292.142,513711.423,34.313455,400.000
YZ,K2+201.760,3458369.131,513780.653,49.235534,INF
ZD,K3+017.489,3458900.000,514400.000,49.235534,INF
")
cli_check("info" ARGS route info "${PI}" STATUS 0 STDOUT "${PI_INFO}")
cli_check("info decimals 1" ARGS route info "${SMALL}" --decimals 1 STATUS 0 STDOUT
"label,station,X,Y,azimuth,radius
QD,K0+000.0,1000.0,2000.0,45.000000,INF
ZY,K0+100.0,1070.7,2070.7,45.000000,100.0
QZ,K0+125.0,1086.0,2090.4,59.192620,100.0
YZ,K0+150.0,1096.0,2113.3,73.385240,INF
ZD,K0+250.0,1124.1,2209.2,73.385240,INF
")

# forward: the reference points, in the second zone of the long chain and skewed.
cli_check("forward skewed in zone 2" ARGS route forward "${PI}" --station K1+359.574 --zone 2
  --offset 12.25 --skew 135 STATUS 0 STDOUT
"station,offset,X,Y,azimuth,H
K1+359.574,12.250,3457622.213,513389.696,43.283947,
")
cli_check("forward left stake" ARGS route forward "${PI}" --station K1+792.677 --offset -7.5
  --skew 135 STATUS 0 STDOUT
"station,offset,X,Y,azimuth,H
K1+792.677,-7.500,3458017.051,513593.315,19.391377,
")
cli_check("forward 4 decimals" ARGS route forward "${PI}" --station K0+284.958 --offset 7.5
  --decimals 4 STATUS 0 STDOUT
"station,offset,X,Y,azimuth,H
K0+284.9580,7.5000,3457010.4634,512525.3047,37.331103,
")
# Outside the profile H is empty.
cli_check("forward without profile" ARGS route forward "${TWO}" --name 匝道B --station K0+540
  --offset -3.5 STATUS 0 STDOUT
"station,offset,X,Y,azimuth,H
K0+540.000,-3.500,2040.000,2996.500,0.000000,
")
cli_check("forward repeated chainage needs a zone" ARGS route forward "${PI}" --station K1+195
  STATUS 2 STDERR
"桩号K1+195.000在长链内出现2次（第1区距起点1195.000m，第2区距起点1205.000m），请指定分区！\n")
cli_check("forward zone that does not exist" ARGS route forward "${PI}" --station K1+195 --zone 3
  STATUS 2 STDERR "分区3不存在（线路共2个分区）！\n")
cli_check("forward bad station" ARGS route forward "${PI}" --station K1+1x95 STATUS 2
  STDERR "--station：桩号格式不正确，应写作K1+234.567或1234.567！\n")
cli_check("forward bad decimals" ARGS route forward "${PI}" --station K1+000 --decimals 10
  STATUS 2 STDERR "--decimals：小数位数须为0到9的整数！\n")
cli_check("forward missing file" ARGS route forward none.csv --station K1+000 STATUS 1
  STDERR "无法读取文件“none.csv”：文件不存在！\n")

# inverse: one point and files of points in each form, standard input included.
cli_check("inverse one point" ARGS route inverse "${PI}" --x 3456836.720 --y 512362.393 STATUS 0
  STDOUT "name,X,Y,station,offset,H\n,3456836.720,512362.393,K0+047.922,-15.759,\n")
cli_check("inverse point before the start" ARGS route inverse "${PI}" --x 3456000 --y 512000
  STATUS 2 STDERR "点（3456000.000，512000.000）的垂足在线路起点之前836.298m！\n")
file(WRITE "${WORK}/points.txt" "P1 1050 2100\n# measured\n桩2,1100,2150\r\n")
set(inverse_rows "name,X,Y,station,offset,H
P1,1050.000,2100.000,K0+109.356,35.071,
桩2,1100.000,2150.000,K0+186.386,6.460,
")
cli_check("inverse plain points" ARGS route inverse "${SMALL}" --points points.txt STATUS 0
  STDOUT "${inverse_rows}")
file(WRITE "${WORK}/points.csv" "name,X,Y\nP1,1050,2100\n桩2,1100,2150\n")
cli_check("inverse CSV points" ARGS route inverse "${SMALL}" --points points.csv STATUS 0
  STDOUT "${inverse_rows}")
# CASS holds Y before X.
file(WRITE "${WORK}/points.dat" "P1,,2100,1050,\n桩2,,2150,1100,\n")
cli_check("inverse CASS points" ARGS route inverse "${SMALL}" --points points.dat STATUS 0
  STDOUT "${inverse_rows}")
cli_native_paths(small "${SMALL}")
execute_process(COMMAND ${CLI} route inverse "${small}" --points -
  INPUT_FILE "${WORK}/points.txt" WORKING_DIRECTORY "${WORK}"
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out STREQUAL "${inverse_rows}" OR NOT err STREQUAL "")
  message(SEND_ERROR "inverse points from stdin: status ${status}\n  out [${out}]\n  err [${err}]")
endif()
# One point that cannot be computed refuses the whole file, and nothing is written.
file(WRITE "${WORK}/before.txt" "P1 1050 2100\nP2 900 1900\n")
cli_check("inverse file with a point before the start" ARGS route inverse "${SMALL}"
  --points before.txt STATUS 2
  STDERR "文件“before.txt”第2行：点（900.000，1900.000）的垂足在线路起点之前141.421m！\n")
# Long files have their feet found on several threads: the first point in
# the file that cannot be computed is the one named, wherever the others are.
string(REPEAT "P1 1050 2100\n" 3999 good_points)
file(WRITE "${WORK}/long.txt" "${good_points}P2 900 1900\n${good_points}P3 800 1800\n${good_points}")
cli_check("inverse long file, the first failing point named" ARGS route inverse "${SMALL}"
  --points long.txt STATUS 2
  STDERR "文件“long.txt”第4000行：点（900.000，1900.000）的垂足在线路起点之前141.421m！\n")
string(REPEAT "P1,1050,2100\n" 5999 good_points)
file(WRITE "${WORK}/long.csv" "name,X,Y\n${good_points}P2,800,1800\n${good_points}P3,900,1900\n")
cli_check("inverse long CSV file, the first failing point named" ARGS route inverse "${SMALL}"
  --points long.csv STATUS 2
  STDERR "文件“long.csv”第6001行：点（800.000，1800.000）的垂足在线路起点之前282.843m！\n")
file(WRITE "${WORK}/bad.txt" "P1 1050 2100\nP2 1050\nP3 1 2 3 4\n")
# Outside an angle point there is no perpendicular foot: the angle point is
# the foot, and the note names the line.
file(WRITE "${WORK}/angle-points.txt" "P1 50 5\nP2 110 -10\nP3 100.5 50\n")
cli_check("inverse points outside an angle point" ARGS route inverse "${DATA}/angle.csv"
  --points angle-points.txt STATUS 0 STDOUT "name,X,Y,station,offset,H
P1,50.000,5.000,K0+050.000,5.000,
P2,110.000,-10.000,K0+100.000,-14.142,
P3,100.500,50.000,K0+150.000,-0.500,
" STDERR "注意：第2行点在折点外侧，没有垂足，结果以折点为垂足，偏距为到折点的距离。\n")
cli_check("inverse bad lines" ARGS route inverse "${SMALL}" --points bad.txt STATUS 2
  STDERR "无法读取文件“bad.txt”：第2、3行不是“[点名] X Y”两个坐标数字！\n")
cli_check("inverse without a point" ARGS route inverse "${SMALL}" STATUS 2
  STDERR "请给出点的坐标（--x <坐标> --y <坐标>）或点文件（--points <点文件>）！\n")

# table: side stakes, the chain break as one row with both its chainages, a
# chainage the long chain repeats named with its zone, refusals.
cli_check("table over the chain break" ARGS route table "${PI}" --from K1+180 --to K1+210
  --interval 10 STATUS 0 STDOUT
"station,label,offset,X,Y,azimuth,H
K1+180.000,,0.000,3457513.563,513243.924,57.031752,122.373
K1+190.000,,0.000,3457519.053,513252.282,56.201921,122.270
K1+200.000=K1+190.000,断链,0.000,3457524.648,513260.571,55.372090,122.168
K1+200.000(2),,0.000,3457530.346,513268.788,54.542259,122.066
K1+210.000,,0.000,3457536.146,513276.934,54.112428,121.964
")
cli_check("table without key points" ARGS route table "${SMALL}" --from 90 --to 110
  --interval 10 --no-key-points STATUS 0 STDOUT
"station,label,offset,X,Y,azimuth,H
K0+090.000,,0.000,1063.640,2063.640,45.000000,
K0+100.000,,0.000,1070.711,2070.711,45.000000,
K0+110.000,,0.000,1077.417,2078.123,50.434648,
")
cli_check("table over a million rows" ARGS route table "${PI}" --from 0 --to 3000
  --interval 0.001 STATUS 2
  STDERR "计算行数超过1000000行（桩数×边桩数），请加大间距或缩小范围！\n")
cli_check("table repeated start needs a zone" ARGS route table "${PI}" --from K1+195
  --to K1+300 --interval 10 STATUS 2
  STDERR "起算桩号K1+195.000在长链内出现2次（第1区距起点1195.000m，第2区距起点1205.000m），请指定分区！\n")
cli_check("table bad offset" ARGS route table "${SMALL}" --from 0 --to 10 --interval 10
  --offsets -2,,2 STATUS 2 STDERR "--offsets：第2个边桩偏距“”不是有效数字！\n")

# --output with --format cass: code page 936, CR LF, 点名,编码,Y,X,H; side
# stakes named by chainage, side and distance.
cli_check("table to CASS" ARGS route table "${SMALL}" --from 90 --to 110 --interval 10
  --offsets -2,2 --output stakes.dat --format cass STATUS 0)
# "K0+090.000左2,,2062.225,1065.054," … in code page 936.
string(HEX "K0+090.000" k90)
string(HEX "K0+100.000" k100)
string(HEX "K0+110.000" k110)
set(left "d7f3")
set(right "d3d2")
macro(_cass_row k side code y x)
  string(HEX "2,${code},${y},${x},\r\n" _tail)
  string(APPEND cass "${k}${side}${_tail}")
endmacro()
set(cass "")
_cass_row(${k90} ${left} "" 2062.225 1065.054)
_cass_row(${k90} ${right} "" 2065.054 1062.225)
_cass_row(${k100} ${left} ZY 2069.296 1072.125)
_cass_row(${k100} ${right} ZY 2072.125 1069.296)
_cass_row(${k110} ${left} "" 2076.857 1078.965)
_cass_row(${k110} ${right} "" 2079.389 1075.868)
cli_expect_file("table to CASS" "${WORK}/stakes.dat" "${cass}")
# A refused command leaves an earlier output file as it was.
cli_check("refused table keeps the file" ARGS route table "${SMALL}" --from 90 --to 110
  --interval 0 --output stakes.dat --format cass STATUS 2
  STDERR "间距必须大于0！\n")
cli_expect_file("refused table keeps the file" "${WORK}/stakes.dat" "${cass}")
# --names ascii: L and R for the sides, the file all ASCII.
cli_check("table to CASS with ASCII names" ARGS route table "${SMALL}" --from 90 --to 110
  --interval 10 --offsets -2,2 --output ascii.dat --format cass --names ascii STATUS 0)
string(REPLACE "${left}" "4c" ascii_cass "${cass}")
string(REPLACE "${right}" "52" ascii_cass "${ascii_cass}")
cli_expect_file("table to CASS with ASCII names" "${WORK}/ascii.dat" "${ascii_cass}")
cli_check("forward CASS with ASCII names" ARGS route forward "${PI}" --station K0+100
  --offset -7.5 --format cass --names ascii STATUS 0
  STDOUT_MATCHES "^K0\\+100\\.000L7\\.5,,[0-9.]+,[0-9.]+,[0-9.]*[\r\n]+$")
cli_check("chain break coded DL" ARGS route table "${PI}" --from K1+180 --to K1+200
  --to-zone 2 --interval 10 --names ascii STATUS 0
  STDOUT_MATCHES "\nK1\\+200\\.000=K1\\+190\\.000,DL,0\\.000,")
cli_check("unknown names" ARGS route info "${PI}" --names pinyin STATUS 2
  STDERR "--names：点名方式“pinyin”未知，应为chinese或ascii！\n")
file(WRITE "${WORK}/named.txt" "测点1,3456836.720,512362.393\n")
cli_check("a Chinese point name with ASCII names" ARGS route inverse "${PI}"
  --points named.txt --names ascii STATUS 2
  STDERR "文件“named.txt”第1行：点名“测点1”含汉字等非ASCII字符，按ASCII点名（--names ascii）无法写出！\n")
cli_check("output in a missing folder" ARGS route forward "${PI}" --station K1+000
  --output gone/x.csv STATUS 1 STDERR "无法保存文件“gone/x.csv”：文件夹“gone”不存在！\n")
# CSV to a file: code page 936 and CR LF.
cli_check("inverse to a file" ARGS route inverse "${SMALL}" --points points.txt
  --output inverse.csv STATUS 0)
string(REPLACE "\n" "\r\n" crlf_rows "${inverse_rows}")
string(REPLACE "桩" "ZHUANG" crlf_rows "${crlf_rows}")
string(HEX "${crlf_rows}" crlf_hex)
string(HEX "ZHUANG" zhuang)
string(REPLACE "${zhuang}" "d7ae" crlf_hex "${crlf_hex}")
cli_expect_file("inverse to a file" "${WORK}/inverse.csv" "${crlf_hex}")

# LandXML with two alignments: --name chooses; without it the names are listed.
cli_check("LandXML without --name" ARGS route info "${TWO}" STATUS 2
  STDERR "无法读取文件“${TWO}”：文件中有2条线路：“测试线”、“匝道B”，请指定其中一条的名称！\n")
cli_check("LandXML unknown name" ARGS route info "${TWO}" --name 无 STATUS 2
  STDERR "无法读取文件“${TWO}”：文件中没有名为“无”的线路，文件中的线路有：“测试线”、“匝道B”！\n")

# convert: Korvane file → LandXML → Korvane file gives the same elements file
# as the direct conversion (intersection points written as elements).
cli_check("convert to LandXML" ARGS route convert "${PI}" pi.xml STATUS 0)
cli_check("convert back" ARGS route convert pi.xml back.csv STATUS 0)
cli_check("convert direct" ARGS route convert "${PI}" direct.csv STATUS 0)
file(READ "${WORK}/back.csv" back HEX)
file(READ "${WORK}/direct.csv" direct HEX)
if(NOT back STREQUAL direct OR back STREQUAL "")
  message(SEND_ERROR "round trip through LandXML changed the alignment file")
endif()
# The converted file defines the same alignment: its element boundaries are
# named by the elements they join, so its main points are the PI
# alignment's, labels and QZ included.
cli_check("converted info" ARGS route info back.csv STATUS 0 STDOUT "${PI_INFO}")

# Every command has its own help; a usage error is refused input.
foreach(command info forward inverse table convert)
  cli_check("${command} --help" ARGS route ${command} --help STATUS 0
    STDOUT_MATCHES "用法：korvane-cli route ${command} ")
endforeach()
cli_check("info without file" ARGS route info STATUS 2
  STDERR "请给出参数<线路文件>！\n用法见 korvane-cli route info --help。\n")

# A write that fails part-way is a file error: status 1 and a message. To a
# full device (standard output) … (POSIX only: /dev/full and ulimit)
if(NOT EMULATOR)
execute_process(COMMAND ${CLI} route table "${SMALL}" --from 0 --to 250 --interval 0.01
  WORKING_DIRECTORY "${WORK}" OUTPUT_FILE /dev/full RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 1 OR NOT err STREQUAL "无法写入标准输出！\n")
  message(SEND_ERROR "table to a full device: status ${status}, stderr [${err}]")
endif()
# … and to an --output file that outgrows the size limit: the earlier file is
# left as it was and no temporary file remains.
file(MAKE_DIRECTORY "${WORK}/limited")
file(WRITE "${WORK}/limited/out.csv" "old\n")
execute_process(COMMAND sh -c "trap '' XFSZ; ulimit -f 8; exec \"$0\" \"$@\"" "${KORVANE_CLI}"
  route table "${SMALL}" --from 0 --to 250 --interval 0.01 --output out.csv
  WORKING_DIRECTORY "${WORK}/limited" RESULT_VARIABLE status OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
file(GLOB left RELATIVE "${WORK}/limited" "${WORK}/limited/*")
file(READ "${WORK}/limited/out.csv" kept)
if(NOT status EQUAL 1 OR NOT err STREQUAL "无法保存文件“out.csv”：文件超出了允许的大小！\n"
   OR NOT out STREQUAL "" OR NOT kept STREQUAL "old\n" OR NOT left STREQUAL "out.csv")
  message(SEND_ERROR "table over the file size limit: status ${status}, stderr [${err}], "
    "files [${left}], kept [${kept}]")
endif()
endif()

# An output that is also an input is refused, naming both, and the input
# stays as it was: the same path, another spelling of it, a link to it.
file(COPY "${SMALL}" DESTINATION "${WORK}/own")
file(READ "${WORK}/own/small.csv" own_before HEX)
file(WRITE "${WORK}/own/meas.txt" "P1 1050 2100\n")
file(READ "${WORK}/own/meas.txt" meas_before HEX)
file(CREATE_LINK "${WORK}/own/small.csv" "${WORK}/own/link.csv" SYMBOLIC RESULT linked)
cli_check("table over its alignment" ARGS route table own/small.csv --from 0 --to 100
  --interval 20 --output own/small.csv STATUS 2
  STDERR "输出文件“own/small.csv”就是输入文件“own/small.csv”，不能用结果覆盖输入！\n")
cli_check("table over its alignment spelt otherwise" ARGS route table own/small.csv --from 0
  --to 100 --interval 20 --output own/../own/./small.csv --format cass STATUS 2
  STDERR "输出文件“own/../own/./small.csv”就是输入文件“own/small.csv”，不能用结果覆盖输入！\n")
if(linked STREQUAL "0")
  cli_check("info over its alignment through a link" ARGS route info own/small.csv
    --output own/link.csv STATUS 2
    STDERR "输出文件“own/link.csv”就是输入文件“own/small.csv”，不能用结果覆盖输入！\n")
endif()
cli_check("inverse over its points" ARGS route inverse own/small.csv --points own/meas.txt
  --output own/meas.txt STATUS 2
  STDERR "输出文件“own/meas.txt”就是输入文件“own/meas.txt”，不能用结果覆盖输入！\n")
cli_check("convert onto itself" ARGS route convert own/small.csv own/small.csv STATUS 2
  STDERR "输出文件“own/small.csv”就是输入文件“own/small.csv”，不能用结果覆盖输入！\n")
cli_expect_file("the alignment kept" "${WORK}/own/small.csv" "${own_before}")
cli_expect_file("the points kept" "${WORK}/own/meas.txt" "${meas_before}")
# A new file beside them is written as before.
cli_check("table to a new file" ARGS route table own/small.csv --from 0 --to 100
  --interval 20 --output own/new.csv STATUS 0)

# Names that would repeat: an interval finer than the decimals is refused
# before anything is written.
cli_check("interval finer than the decimals" ARGS route table "${SMALL}" --from 0 --to 10
  --interval 0.5 --decimals 0 --format cass --output fine.dat STATUS 2
  STDERR "间距0.5m小于0位小数桩号能区分的1m，整桩的点名会重复，请增加小数位数或加大间距！\n")
if(EXISTS "${WORK}/fine.dat")
  message(SEND_ERROR "interval finer than the decimals: fine.dat was written")
endif()
cli_check("interval as fine as the decimals" ARGS route table "${SMALL}" --from 0 --to 2
  --interval 0.5 --decimals 1 --no-key-points STATUS 0 STDOUT_MATCHES "K0\\+001\\.5,")

# A plain points file in code page 936 is read like one in UTF-8: its names
# come out in UTF-8 on standard output.
cli_check("plain points in code page 936" ARGS route inverse "${SMALL}"
  --points "${DATA}/route-points-gbk.txt" STATUS 0 STDOUT_MATCHES "^name,X,Y,station,offset,H\n坐标1,1050\\.000,2100\\.000,K0\\+")

# A chainage naming another prefix than the alignment's is refused: it would
# give the point of the alignment's own chainage of that number.
cli_check("forward with another prefix" ARGS route forward "${SMALL}" --station ZK0+050
  STATUS 2 STDERR "--station：桩号“ZK0+050”的冠号ZK与线路的冠号K不同！\n")
cli_check("table with another prefix" ARGS route table "${SMALL}" --from 0 --to DK0+100
  --interval 20 STATUS 2 STDERR "--to：桩号“DK0+100”的冠号DK与线路的冠号K不同！\n")
cli_check("forward with the prefix or none" ARGS route forward "${SMALL}" --station 0+050
  STATUS 0 STDOUT_MATCHES "^station")

# section: the break points of a superelevated, widened curve (6 % and 0.8 m
# on the inside, right) at K0+600, outer left to outer right; the low side's
# shoulder falls with the carriageway.
cli_check("section in full superelevation" ARGS route section "${DATA}/section.csv"
  --station K0+600 STATUS 0 STDOUT
"station,side,name,offset,slope,X,Y,H
K0+600.000,左,土路肩,-11.500,-4.000,3457262.702,512716.396,123.615
K0+600.000,左,硬路肩,-10.750,6.000,3457262.122,512716.872,123.645
K0+600.000,左,行车道,-8.250,6.000,3457260.191,512718.459,123.495
K0+600.000,左,左侧路缘带,-0.750,6.000,3457254.396,512723.221,123.045
K0+600.000,中,中线,0.000,,3457253.817,512723.697,123.000
K0+600.000,右,右侧路缘带,0.750,-6.000,3457253.237,512724.173,122.955
K0+600.000,右,行车道,8.250,-6.000,3457247.443,512728.935,122.505
K0+600.000,右,硬路肩,11.550,-6.000,3457244.893,512731.030,122.307
K0+600.000,右,土路肩,12.300,-6.000,3457244.314,512731.506,122.262
")
cli_check("section without a template" ARGS route section "${PI}" --station K0+100 STATUS 0
  STDOUT_MATCHES "^station,side,name,offset,slope,X,Y,H\nK0\\+100\\.000,中,中线,0\\.000,,"
  STDERR "注意：线路没有路幅，只有设计线上有设计高程。\n")
cli_check("section outside the alignment" ARGS route section "${DATA}/section.csv"
  --station K2+000 STATUS 2 STDERR_MATCHES "K2\\+000")

# check: measured points against the design; dH positive above it.
file(WRITE "${WORK}/measured.csv" "name,X,Y,H
P1,3457253.237,512724.173,123.000
P2,3457244.314,512731.506,122.100
P3,3457300,512700,120
P4,3457247.443,512728.935,
")
cli_check("check measured points" ARGS route check "${DATA}/section.csv" --points measured.csv
  STATUS 0 STDOUT "name,X,Y,H,station,offset,design_H,dH
P1,3457253.237,512724.173,123.000,K0+599.999,0.750,122.955,0.045
P2,3457244.314,512731.506,122.100,K0+600.000,12.300,122.262,-0.162
P3,3457300.000,512700.000,120.000,K0+610.153,-50.819,,
P4,3457247.443,512728.935,,K0+600.000,8.250,122.505,
" STDERR "注意：1个点没有实测高程，dH为空。
注意：1个点不在路幅内或纵断面范围外，没有设计高程，design_H与dH为空。
")
# curves: the curve elements table, the start and end with their chainage
# and coordinates only, the deflection unsigned with its side, R unsigned,
# the JD of the long chain's zone at ZH + T1.
cli_check("curves" ARGS route curves "${PI}" STATUS 0 STDOUT
"JD,station,X,Y,deflection,turn,R,Ls1,Ls2,A1,A2,T1,T2,L,Ly,E,ZH,HY,QZ,YH,HZ
QD,K0+000.000,3456789.123,512345.678,,,,,,,,,,,,,,,,,
JD1,K0+581.336,3457250.000,512700.000,27.254815,右,600.000,120.000,120.000,268.328,268.328,206.655,206.655,407.247,167.247,18.639,K0+374.681,K0+494.681,K0+578.305,K0+661.928,K0+781.928
JD2,K1+392.920,3457600.000,513450.000,45.194542,左,800.000,150.000,100.000,346.410,282.843,408.619,385.193,757.916,507.916,67.867,K0+994.301,K1+144.301,K1+363.259,K1+642.217,K1+742.217
JD3,K2+100.327,3458300.000,513700.000,29.444157,右,400.000,0.000,0.000,0.000,0.000,106.226,106.226,207.658,207.658,13.865,K1+994.101,K1+994.101,K2+097.931,K2+201.760,K2+201.760
ZD,K3+017.489,3458900.000,514400.000,,,,,,,,,,,,,,,,,
")
cli_check("curves of an element alignment" ARGS route curves "${SMALL}" STATUS 2 STDERR
  "线元法线路没有交点，不能列出直曲表（直曲表只用于交点法线路）！\n")
cli_check("curves to a file" ARGS route curves "${PI}" --decimals 1 --output curves.csv STATUS 0)
file(READ "${WORK}/curves.csv" curves_bytes HEX)
if(NOT curves_bytes MATCHES "0d0a$" OR NOT curves_bytes MATCHES "^4a442c")
  message(SEND_ERROR "curves.csv: not CR LF text starting with JD,")
endif()
cli_check("curves over its input" ARGS route curves "${SMALL}" --output "${SMALL}" STATUS 2
  STDERR_MATCHES "small.csv")

# PDF reports where the build has Qt; a build without it says so.
if(WITH_PDF)
  cli_check("table pdf" ARGS route table "${PI}" --from K0+000 --to K0+400 --interval 20
    --offsets -7.5,0,7.5 --output stakes.pdf --project 项目 --computed-by 张三 STATUS 0)
  cli_check("curves pdf" ARGS route curves "${PI}" --output curves.pdf STATUS 0)
  foreach(pdf stakes.pdf curves.pdf)
    file(READ "${WORK}/${pdf}" head LIMIT 5 HEX)
    if(NOT head STREQUAL "255044462d")
      message(SEND_ERROR "${pdf}: not a PDF file")
    endif()
  endforeach()
  cli_check("table pdf refused" ARGS route table "${PI}" --from K0+000 --to K0+400
    --interval 0 --output stakes.pdf STATUS 2 STDERR_MATCHES "间距")
else()
  cli_check("pdf unavailable" ARGS route curves "${PI}" --output curves.pdf STATUS 2
    STDERR_MATCHES "不能写 PDF 报表")
endif()
# The break points as CASS stakes, named for a controller without Chinese.
cli_check("section as ASCII CASS" ARGS route section "${DATA}/section.csv" --station K0+460
  --format cass --names ascii --output section.dat STATUS 0)
file(READ "${WORK}/section.dat" section_dat)
if(NOT section_dat MATCHES "^K0\\+460\\.000L11\\.5,,512617\\.416,3457160\\.759,122\\.460\n"
   OR NOT section_dat MATCHES "\nK0\\+460\\.000,,512626\\.375,3457153\\.549,122\\.300\n")
  message(SEND_ERROR "section.dat: [${section_dat}]")
endif()
