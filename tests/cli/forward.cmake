include(${CMAKE_CURRENT_LIST_DIR}/check.cmake)

# The worked example: K 1500 set out 5 m square to the right, trailing zero dropped.
cli_check("forward example" ARGS forward ${LINE} --k 1500 --offset 5 --skew 90
  STATUS 0 STDOUT "9246.95\t6926.398\n")
# A negative offset typed as its own argument is a value, not an option.
cli_check("forward negative offset" ARGS forward ${LINE} --k 1500 --offset -5 --skew 90
  STATUS 0 STDOUT "9249.581\t6916.751\n")
# An offset without a skew angle is ignored, as in the window.
cli_check("forward offset alone" ARGS forward ${LINE} --k 1500 --offset 5
  STATUS 0 STDOUT "9248.265\t6921.574\n")
# A left-out option is an empty field: the window's first required-field message.
cli_check("forward without --k0" ARGS forward --x0 1 --y0 2 --azimuth 3 --k 1500
  STATUS 2 STDERR "请输入起点桩号！\n")
# A field of spaces only counts as empty, and the checks keep their order.
cli_check("forward blank --y0" ARGS forward --k0 1000 --x0 1 --y0 "   " --k 1500
  STATUS 2 STDERR "请输入起点坐标Y！\n")
# The range check: a chainage before the line's start.
cli_check("forward K below K0" ARGS forward ${LINE} --k 999.999
  STATUS 2 STDERR "计算桩号不能小于起点桩号！\n")
