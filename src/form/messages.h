// The messages of the computations, exactly as the user sees them.
#pragma once

#include <string_view>

namespace korvane::form::msg {

// Required fields.
inline constexpr std::string_view kEnterStartChainage = "请输入起点桩号！";  // Text1
inline constexpr std::string_view kEnterStartX = "请输入起点坐标X！";        // Text2
inline constexpr std::string_view kEnterStartY = "请输入起点坐标Y！";        // Text3
inline constexpr std::string_view kEnterAzimuth = "请输入计算方位角！";      // Text4
inline constexpr std::string_view kEnterChainage = "请输入计算桩号！";       // Text5
inline constexpr std::string_view kEnterInverseX = "请输入反算坐标X！";      // Text8
inline constexpr std::string_view kEnterInverseY = "请输入反算坐标Y！";      // Text9
inline constexpr std::string_view kEnterTableStart = "请输入起点桩号K！";    // Text15
inline constexpr std::string_view kEnterTableEnd = "请输入止点桩号K！";      // Text16
inline constexpr std::string_view kEnterStep = "请输入计算步长m！";          // Text17

// Range checks.
inline constexpr std::string_view kChainageBeforeStart = "计算桩号不能小于起点桩号！";
inline constexpr std::string_view kTableStartBeforeLine = "起算桩号不能小于起点桩号！";
inline constexpr std::string_view kTableStartAfterEnd = "起算桩号不能大于止算桩号！";
inline constexpr std::string_view kStepNotPositive = "计算步长m值不能≤0！";

// Checks of our own, for inputs the checks above let through.
inline constexpr std::string_view kOffsetNotNumber = "计算偏距必须是一个数字！";
inline constexpr std::string_view kSkewNotNumber = "计算偏角必须是一个数字！";
inline constexpr std::string_view kStepNotNumber = "计算步长m必须是一个数字！";
inline constexpr std::string_view kStepTooSmall = "计算步长m太小，桩号无法递增！";
// The running chainage stops growing part way (a double holds no odd integers
// beyond 2^53): "计算步长m太小，桩号增至" + the chainage + "后无法再递增！".
inline constexpr std::string_view kStepTooSmallAtBefore = "计算步长m太小，桩号增至";
inline constexpr std::string_view kStepTooSmallAtAfter = "后无法再递增！";
inline constexpr std::string_view kTooManyRows = "计算点数不能超过1000000个，请加大计算步长m！";
inline constexpr std::string_view kValueOutOfRange = "输入数值超出计算范围！";
inline constexpr std::string_view kResultOutOfRange = "计算结果超出范围，请检查输入数据！";

}  // namespace korvane::form::msg
