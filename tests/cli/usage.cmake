include(${CMAKE_CURRENT_LIST_DIR}/check.cmake)

# Every command has --help, on stdout, status 0.
foreach(command forward inverse batch "line;export" "line;import")
  cli_check("${command} --help" ARGS ${command} --help STATUS 0 STDOUT_MATCHES "--help")
endforeach()
# The version, and only the version, with no command needed.
cli_check("--version" ARGS --version STATUS 0 STDOUT "Korvane 1.2\n")
cli_check("--version before a command" ARGS --version forward STATUS 0 STDOUT "Korvane 1.2\n")

# Usage errors are refused input: status 2, a Chinese message naming the
# option, and the help of the command being parsed.
cli_check("--line with --k0" ARGS forward --line x.txt --k0 1000 --k 1500
  STATUS 2 STDERR "--k0与--line不能同时给出！\n用法见 korvane-cli forward --help。\n")
# Two batch output formats at once.
cli_check("--csv with --cass" ARGS batch ${LINE} --start 1000 --end 2000 --step 20 --csv --cass
  STATUS 2 STDERR "--csv与--cass不能同时给出！\n用法见 korvane-cli batch --help。\n")
# No command at all, and a line command missing.
cli_check("no command" ARGS STATUS 2
  STDERR "请给出命令（forward、inverse、batch、line、route）！\n用法见 korvane-cli --help。\n")
cli_check("line without a command" ARGS line STATUS 2
  STDERR "请给出命令（export、import）！\n用法见 korvane-cli line --help。\n")
cli_check("route without a command" ARGS route STATUS 2
  STDERR "请给出命令（info、forward、inverse、table、curves、convert、section、check、dxf）！\n用法见 korvane-cli route --help。\n")
# An unknown option or a stray argument.
cli_check("unknown option" ARGS forward ${LINE} --k 1500 --kk 3 STATUS 2
  STDERR "无法识别的参数：--kk 3！\n用法见 korvane-cli forward --help。\n")
cli_check("stray argument" ARGS line import a.txt b.txt STATUS 2
  STDERR "无法识别的参数：b.txt！\n用法见 korvane-cli line import --help。\n")
# An unknown command is named with the commands there are; an unknown
# option where a command is wanted is named too.
cli_check("unknown command" ARGS frob STATUS 2
  STDERR "无法识别的命令“frob”（可用的命令：forward、inverse、batch、line、route）！\n用法见 korvane-cli --help。\n")
cli_check("unknown route command" ARGS route infos a.csv STATUS 2
  STDERR "无法识别的命令“infos”（可用的命令：info、forward、inverse、table、curves、convert、section、check、dxf）！\n用法见 korvane-cli route --help。\n")
cli_check("unknown option for a command" ARGS --frob STATUS 2
  STDERR "无法识别的参数：--frob！\n用法见 korvane-cli --help。\n")
# A required positional or option left out, an option without its value,
# an option given twice, a flag given a value.
cli_check("import without file" ARGS line import STATUS 2
  STDERR "请给出参数<线参数文件>！\n用法见 korvane-cli line import --help。\n")
cli_check("table without --interval" ARGS route table a.csv --from 0 --to 10 STATUS 2
  STDERR "请给出选项--interval！\n用法见 korvane-cli route table --help。\n")
cli_check("--k without value" ARGS forward ${LINE} --k STATUS 2
  STDERR "选项--k缺少取值！\n用法见 korvane-cli forward --help。\n")
cli_check("--k twice" ARGS forward ${LINE} --k 1500 --k 1600 STATUS 2
  STDERR "选项--k只能给出一次！\n用法见 korvane-cli forward --help。\n")
cli_check("--csv with a value" ARGS batch ${LINE} --start 1000 --end 2000 --step 20 --csv=maybe
  STATUS 2 STDERR "选项--csv的取值“maybe”无法识别！\n用法见 korvane-cli batch --help。\n")
cli_check("--x without --y" ARGS route inverse a.csv --x 1 STATUS 2
  STDERR "--x须与--y同时给出！\n用法见 korvane-cli route inverse --help。\n")

# The help is Chinese: the usage line, the group names and the descriptions,
# with the descriptions in one column whatever the width of the labels.
cli_check("forward help" ARGS forward --help STATUS 0
  STDOUT_MATCHES "^坐标正算：[^\n]*\n用法：korvane-cli forward \\[选项\\]\n\n选项：\n  -h,--help                   显示本帮助并退出\n  --k0 <桩号>                 直线起点桩号K0（m）；不能与 --line 同时给出\n")
cli_check("import help" ARGS line import --help STATUS 0
  STDOUT_MATCHES "用法：korvane-cli line import \\[选项\\] <线参数文件>\n\n参数：\n  <线参数文件>                （必需）要读取的线参数文件\n")
cli_check("program help" ARGS --help STATUS 0
  STDOUT_MATCHES "\n命令：\n  forward                     坐标正算")

# No CLI11 English in any help: value names, needed and excluded options and
# required ones are said in Chinese.
foreach(command forward inverse batch "line;export" "line;import" route "route;info"
        "route;forward" "route;inverse" "route;table" "route;curves" "route;convert"
        "route;section" "route;check" "route;dxf")
  execute_process(COMMAND ${CLI} ${command} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(help MATCHES "TEXT|FILE|REQUIRED|Needs|Excludes|SUBCOMMAND|OPTIONS|[A-Z][A-Z]+ \\(|:[ \n]"
     OR NOT status EQUAL 0)
    message(SEND_ERROR "${command} --help: English left in [${help}]")
  endif()
endforeach()
cli_check("route inverse help" ARGS route inverse --help STATUS 0
  STDOUT_MATCHES "\n  --x <坐标>                  点的坐标X（北坐标，m）；须与 --y 同时给出；不能与 --points 同时给出\n")

# Help that cannot be written is a failure: status 1 and a message on stderr.
foreach(command "" forward inverse batch "line;export" "line;import")
  execute_process(COMMAND ${CLI} ${command} --help
    OUTPUT_FILE /dev/full ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL 1 OR NOT err STREQUAL "无法写入标准输出！\n")
    message(SEND_ERROR "${command} --help > /dev/full: status ${status}, stderr [${err}]")
  endif()
endforeach()
