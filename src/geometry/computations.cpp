#include "computations.h"

#include <charconv>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "angles.h"
#include "messages.h"
#include "number_text.h"

namespace korvane::geometry {
namespace {

struct Required {
    Field field;
    std::string_view message;
};

// The first field of `order` whose text is blank, as a failure.
std::optional<Failure> check_required(const FieldTexts& fields,
                                      std::initializer_list<Required> order) {
    for (const Required& r : order) {
        if (is_blank(fields.get(r.field))) return Failure{std::string(r.message), r.field};
    }
    return std::nullopt;
}

Failure failure(std::string_view message, Field focus) {
    return Failure{std::string(message), focus};
}

// Reads a field by the leading-number rule. A number too large for a double is
// refused rather than carried through the computation as infinity.
std::optional<Failure> read_leading(const FieldTexts& fields, Field field, double& value) {
    value = parse_leading(fields.get(field));
    if (!std::isfinite(value)) return failure(msg::kValueOutOfRange, field);
    return std::nullopt;
}

std::optional<Failure> read_leading(const FieldTexts& fields,
                                    std::initializer_list<std::pair<Field, double*>> targets) {
    for (auto [field, value] : targets) {
        if (auto f = read_leading(fields, field, *value)) return f;
    }
    return std::nullopt;
}

// Degree-to-radian conversion of the forward formula: the product with the
// pi literal first, then the quotient by 180.
double forward_radians(double degrees) {
    return degrees * kPiLiteral / 180.0;
}

// The direction terms of the forward formula for line azimuth A and skew S,
// both in decimal degrees. Shared by the single-point and the batch
// computation so that both give the same bits for the same point.
struct Direction {
    double cos_a, sin_a;    // along the line
    double cos_as, sin_as;  // along the offset
};

std::optional<Failure> direction(double a, double s, Direction& out) {
    const double ra = forward_radians(a);
    if (!std::isfinite(ra)) return failure(msg::kResultOutOfRange, Field::Text4);
    const double ras = forward_radians(a + s);
    if (!std::isfinite(ras)) return failure(msg::kResultOutOfRange, Field::Text7);
    out = Direction{std::cos(ra), std::sin(ra), std::cos(ras), std::sin(ras)};
    return std::nullopt;
}

// The point at distance `along` from the start point, offset by p. Each sum is
// grouped as written: the along-line term plus the start coordinate, then the
// offset term added. Changing the grouping changes the last bits.
struct Point {
    double x, y;
};
Point point_at(const Direction& d, double along, double x0, double y0, double p) {
    const double x = (along * d.cos_a + x0) + d.cos_as * p;
    const double y = (along * d.sin_a + y0) + d.sin_as * p;
    return Point{x, y};
}

bool finite(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// The offset and skew fields: both are used only when both hold text;
// otherwise the offset is 0 and the skew 90 (square to the line).
bool offset_given(const FieldTexts& fields) {
    return !is_blank(fields.get(Field::Text6)) && !is_blank(fields.get(Field::Text7));
}

}  // namespace

Outcome<ForwardResult> forward(const FieldTexts& fields) {
    if (auto f = check_required(fields, {{Field::Text1, msg::kEnterStartChainage},
                                         {Field::Text2, msg::kEnterStartX},
                                         {Field::Text3, msg::kEnterStartY},
                                         {Field::Text4, msg::kEnterAzimuth},
                                         {Field::Text5, msg::kEnterChainage}})) {
        return *f;
    }
    double k0, x0, y0, azimuth, k;
    if (auto f = read_leading(fields, {{Field::Text1, &k0},
                                       {Field::Text2, &x0},
                                       {Field::Text3, &y0},
                                       {Field::Text4, &azimuth},
                                       {Field::Text5, &k}})) {
        return *f;
    }
    if (k < k0) return failure(msg::kChainageBeforeStart, Field::Text5);

    double p = 0.0;
    double skew = 90.0;
    if (offset_given(fields)) {
        // Unlike every other field, offset and skew must be one number as a whole.
        const auto offset_value = parse_strict(fields.get(Field::Text6));
        if (!offset_value) return failure(msg::kOffsetNotNumber, Field::Text6);
        if (!std::isfinite(*offset_value)) return failure(msg::kValueOutOfRange, Field::Text6);
        const auto skew_value = parse_strict(fields.get(Field::Text7));
        if (!skew_value) return failure(msg::kSkewNotNumber, Field::Text7);
        if (!std::isfinite(*skew_value)) return failure(msg::kValueOutOfRange, Field::Text7);
        p = *offset_value;
        skew = *skew_value;
    }

    Direction dir;
    if (auto f = direction(Dms(azimuth), Dms(skew), dir)) return *f;
    const double along = std::fabs(k - k0);
    if (!std::isfinite(along)) return failure(msg::kResultOutOfRange, Field::Text5);
    const Point pt = point_at(dir, along, x0, y0, p);
    if (!finite(pt)) return failure(msg::kResultOutOfRange, Field::Text1);
    return ForwardResult{format_rounded(pt.x, 3), format_rounded(pt.y, 3)};
}

Outcome<InverseResult> inverse(const FieldTexts& fields) {
    if (auto f = check_required(fields, {{Field::Text1, msg::kEnterStartChainage},
                                         {Field::Text2, msg::kEnterStartX},
                                         {Field::Text3, msg::kEnterStartY},
                                         {Field::Text4, msg::kEnterAzimuth},
                                         {Field::Text8, msg::kEnterInverseX},
                                         {Field::Text9, msg::kEnterInverseY}})) {
        return *f;
    }
    double k0, x0, y0, azimuth, x, y;
    if (auto f = read_leading(fields, {{Field::Text1, &k0},
                                       {Field::Text2, &x0},
                                       {Field::Text3, &y0},
                                       {Field::Text4, &azimuth},
                                       {Field::Text8, &x},
                                       {Field::Text9, &y}})) {
        return *f;
    }
    const double f_az = FWJ(x0, y0, x, y);
    if (!std::isfinite(f_az)) return failure(msg::kResultOutOfRange, Field::Text9);
    const double d = JL(x0, y0, x, y);  // already rounded to 4 decimals
    if (!std::isfinite(d)) return failure(msg::kResultOutOfRange, Field::Text8);
    const double a = Dms(azimuth);
    const double theta = f_az - a;
    double p = d * MSin(theta);
    const double t = MTan(theta);
    double k;
    if (t == 0.0) {
        // The point lies exactly ahead on the line: P / tan(theta) would be 0 / 0.
        // Its limit, D cos(theta) with theta -> 0, is D.
        k = k0 + d;
        p = 0.0;
    } else {
        // The quotient form P / tan(theta) is the one evaluated, not D cos(theta).
        k = k0 + p / t;
    }
    if (!std::isfinite(k) || !std::isfinite(p))
        return failure(msg::kResultOutOfRange, Field::Text1);
    return InverseResult{format_rounded(k, 3), format_rounded(p, 3)};
}

namespace {

// Everything the batch loop needs, checked before the first row.
struct BatchPlan {
    double k0, x0, y0;
    double p;
    Direction dir;
    double start, end, step;
    std::size_t rows;
};

Outcome<BatchPlan> plan_batch(const FieldTexts& fields) {
    if (auto f = check_required(fields, {{Field::Text1, msg::kEnterStartChainage},
                                         {Field::Text2, msg::kEnterStartX},
                                         {Field::Text3, msg::kEnterStartY},
                                         {Field::Text4, msg::kEnterAzimuth},
                                         {Field::Text15, msg::kEnterTableStart},
                                         {Field::Text16, msg::kEnterTableEnd},
                                         {Field::Text17, msg::kEnterStep}})) {
        return *f;
    }
    BatchPlan plan{};
    double azimuth;
    if (auto f = read_leading(fields, {{Field::Text1, &plan.k0},
                                       {Field::Text2, &plan.x0},
                                       {Field::Text3, &plan.y0},
                                       {Field::Text4, &azimuth}})) {
        return *f;
    }
    // The batch reads offset and skew by the leading-number rule ("5m" is 5).
    double skew = 90.0;
    if (offset_given(fields)) {
        if (auto f = read_leading(fields, {{Field::Text6, &plan.p}, {Field::Text7, &skew}})) {
            return *f;
        }
    }
    const double a = Dms(azimuth);
    const double s = Dms(skew);

    if (auto f = read_leading(fields, {{Field::Text15, &plan.start}, {Field::Text16, &plan.end}})) {
        return *f;
    }
    if (plan.start < plan.k0) return failure(msg::kTableStartBeforeLine, Field::Text15);
    if (plan.end < plan.start) return failure(msg::kTableStartAfterEnd, Field::Text15);
    // The step must be one number as a whole; "20m" is refused, not read as 20.
    const auto step = parse_strict(fields.get(Field::Text17));
    if (!step) return failure(msg::kStepNotNumber, Field::Text17);
    if (*step <= 0.0) return failure(msg::kStepNotPositive, Field::Text17);
    if (!std::isfinite(*step)) return failure(msg::kValueOutOfRange, Field::Text17);
    plan.step = *step;

    if (auto f = direction(a, s, plan.dir)) return *f;

    // Bound the loop before it starts: a step that does not move the running
    // chainage would never end it, and a huge table would freeze the window.
    if (plan.start + plan.step == plan.start) return failure(msg::kStepTooSmall, Field::Text17);
    const double estimate = (plan.end - plan.start) / plan.step;
    if (!(estimate <= 2.0 * static_cast<double>(kMaxBatchRows))) {
        return failure(msg::kTooManyRows, Field::Text17);
    }
    // The exact count of the running sum, and the last chainage it reaches.
    std::size_t& rows = plan.rows;
    rows = 0;
    double last = plan.start;
    for (double k = plan.start; k <= plan.end;) {
        if (++rows > kMaxBatchRows) return failure(msg::kTooManyRows, Field::Text17);
        last = k;
        // Where the chainage outgrows the step's precision the sum stands
        // still, and the loop would only end at the row limit.
        const double next = k + plan.step;
        if (next == k) {
            // The shortest text that reads back as exactly this chainage: at
            // such magnitudes 15 digits would not tell it from its neighbours.
            char text[32];
            const auto end = std::to_chars(text, text + sizeof text, k).ptr;
            return failure(std::string(msg::kStepTooSmallAtBefore) + std::string(text, end) +
                               std::string(msg::kStepTooSmallAtAfter),
                           Field::Text17);
        }
        k = next;
    }
    // The coordinates are monotonic in the distance along the line, so finite
    // values at the first and last row mean finite values at every row.
    const Point first_pt =
        point_at(plan.dir, std::fabs(plan.start - plan.k0), plan.x0, plan.y0, plan.p);
    const Point last_pt = point_at(plan.dir, std::fabs(last - plan.k0), plan.x0, plan.y0, plan.p);
    if (!finite(first_pt) || !finite(last_pt) || !std::isfinite(last - plan.k0)) {
        return failure(msg::kResultOutOfRange, Field::Text1);
    }
    return plan;
}

// Runs the loop of a checked plan: the running chainage starts at the table's
// start and grows by the step in double precision (a running sum, not
// start + i * step), one row per value up to and including the end.
template <class Emit>
void run_batch(const BatchPlan& plan, Emit&& emit) {
    for (double k = plan.start; k <= plan.end; k += plan.step) {
        const Point pt = point_at(plan.dir, std::fabs(k - plan.k0), plan.x0, plan.y0, plan.p);
        emit(k, pt);
    }
}

}  // namespace

std::optional<Failure> batch_rows(const FieldTexts& fields,
                                  const std::function<void(const BatchRow&)>& row) {
    auto plan = plan_batch(fields);
    if (!plan) return plan.failure();
    const std::string p_text = format_number(plan.value().p);
    std::string k_text, x_text, y_text;
    run_batch(plan.value(), [&](double k, Point pt) {
        k_text.clear();
        x_text.clear();
        y_text.clear();
        append_number(k_text, k);
        append_rounded(x_text, pt.x, 3);
        append_rounded(y_text, pt.y, 3);
        row(BatchRow{k_text, p_text, x_text, y_text});
    });
    return std::nullopt;
}

Outcome<std::string> batch_table(const FieldTexts& fields) {
    auto plan = plan_batch(fields);
    if (!plan) return plan.failure();
    const std::string p_text = format_number(plan.value().p);
    std::string text(kBatchHeader);
    // Rows differ in length by a few digits at most; one allocation holds them all.
    text.reserve(kBatchHeader.size() + plan.value().rows * (p_text.size() + 48));
    run_batch(plan.value(), [&](double k, Point pt) {
        text.append(" K=");
        append_number(text, k);
        text.append(",P=");
        text.append(p_text);
        text.append(",X=");
        append_rounded(text, pt.x, 3);
        text.append(",Y=");
        append_rounded(text, pt.y, 3);
        text.append("\r\n");
    });
    return text;
}

}  // namespace korvane::geometry
