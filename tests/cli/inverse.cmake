include(${CMAKE_CURRENT_LIST_DIR}/check.cmake)

# The worked example: the forward result gives back K 1500 and P 5.
cli_check("inverse example" ARGS inverse ${LINE} --x 9246.95 --y 6926.398
  STATUS 0 STDOUT "1500\t5\n")
# A point behind the start point: a chainage below K0 is a result, not an error.
cli_check("inverse behind start" ARGS inverse ${LINE} --x 8665.888 --y 6789.999
  STATUS 0 STDOUT "903.525\t26.315\n")
# A left-out --y is the empty Text9.
cli_check("inverse without --y" ARGS inverse ${LINE} --x 9246.95
  STATUS 2 STDERR "请输入反算坐标Y！\n")
