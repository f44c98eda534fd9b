#include "angles.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

#include "number_text.h"

namespace korvane::geometry {
namespace {

double parse_digits(std::string_view digits) {
    double value = 0.0;
    if (!digits.empty()) std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

// The degree-to-radian step of MSin, MCos and MTan: the quotient pi / 180
// first, then the product with the angle. (The forward computation converts
// in the other order; the two orders give different last bits.)
double trig_radians(double degrees) {
    return (kPiLiteral / 180.0) * degrees;
}

// A fault in the conversion or the function yields 0, never a fault.
double guarded(double result) {
    return std::isfinite(result) ? result : 0.0;
}

}  // namespace

double Dms(double packed) {
    if (!std::isfinite(packed)) return packed;
    const double a = std::fabs(packed);
    // The shortest decimal form of the argument is the text the user typed
    // (up to redundant zeros), so the digit groups are split exactly.
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::fixed);
    std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
    const auto point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);

    const double d = parse_digits(whole);
    // Minutes: the first two fraction digits, a missing digit counting as 0.
    double m = 0.0;
    if (!fraction.empty()) m += 10.0 * (fraction[0] - '0');
    if (fraction.size() > 1) m += fraction[1] - '0';
    // Seconds: the digits after those two, with the point after their second
    // digit ("2555" is 25.55 seconds).
    double s = 0.0;
    if (fraction.size() > 2) {
        std::string seconds(fraction.substr(2));
        if (seconds.size() == 1) seconds.push_back('0');  // "3" is 30 seconds
        if (seconds.size() > 2) seconds.insert(2, 1, '.');
        s = parse_digits(seconds);
    }
    // Written order: s / 60, plus m, divided by 60, plus d.
    const double result = d + (m + s / 60.0) / 60.0;
    return packed < 0 ? -result : result;
}

double FWJ(double x1, double y1, double x2, double y2) {
    const double pi = 4.0 * std::atan(1.0);
    const double dx = x2 - x1;
    // The tiny guard makes equal eastings count as a positive difference, so a
    // point due north gives 0 and coincident points give 90.
    const double dy = (y2 - y1) + 1e-20;
    if (dy == 0.0 || std::isnan(dy)) return std::numeric_limits<double>::quiet_NaN();
    const double alpha = std::atan(dx / dy);
    const double sigma = dy > 0.0 ? 1.0 : -1.0;
    const double beta = (1.0 - sigma / 2.0) * pi - alpha;
    return beta * 180.0 / pi;
}

double JL(double x1, double y1, double x2, double y2) {
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    const double distance = std::sqrt(dx * dx + dy * dy);
    return round_half_even(distance, 4);
}

double MSin(double degrees) {
    return guarded(std::sin(trig_radians(degrees)));
}
double MCos(double degrees) {
    return guarded(std::cos(trig_radians(degrees)));
}
double MTan(double degrees) {
    return guarded(std::tan(trig_radians(degrees)));
}

}  // namespace korvane::geometry
