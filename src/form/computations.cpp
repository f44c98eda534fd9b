#include "form/computations.h"

#include <charconv>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "form/messages.h"
#include "geometry/angles.h"
#include "geometry/line.h"
#include "geometry/number_text.h"

namespace korvane::form {
namespace {

using geometry::Dms;
using geometry::format_number;
using geometry::is_blank;
using geometry::Overflow;
using geometry::parse_leading;
using geometry::parse_strict;

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

// An overflow inside the computation, reported at the field responsible.
Failure out_of_range(geometry::RangeFailure f) {
    Field focus = Field::Text1;
    switch (f.quantity) {
        case Overflow::azimuth:
            focus = Field::Text4;
            break;
        case Overflow::skew:
            focus = Field::Text7;
            break;
        case Overflow::along:
            focus = Field::Text5;
            break;
        case Overflow::bearing:
            focus = Field::Text9;
            break;
        case Overflow::distance:
            focus = Field::Text8;
            break;
        case Overflow::point:
        case Overflow::location:
            focus = Field::Text1;
            break;
    }
    return failure(msg::kResultOutOfRange, focus);
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

// The offset and skew fields: both are used only when both hold text;
// otherwise the offset is 0 and the skew 90 (square to the line).
bool offset_given(const FieldTexts& fields) {
    return !is_blank(fields.get(Field::Text6)) && !is_blank(fields.get(Field::Text7));
}

// Text1..Text4 as read by every computation, the azimuth already in degrees.
std::optional<Failure> read_line(const FieldTexts& fields, geometry::Line& line) {
    double azimuth;
    if (auto f = read_leading(fields, {{Field::Text1, &line.k0},
                                       {Field::Text2, &line.x0},
                                       {Field::Text3, &line.y0},
                                       {Field::Text4, &azimuth}})) {
        return f;
    }
    line.azimuth = Dms(azimuth);
    return std::nullopt;
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
    geometry::Line line;
    if (auto f = read_line(fields, line)) return *f;
    double k;
    if (auto f = read_leading(fields, Field::Text5, k)) return *f;
    if (k < line.k0) return failure(msg::kChainageBeforeStart, Field::Text5);

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

    const auto pt = geometry::forward_point(line, k, p, Dms(skew));
    if (!pt) return out_of_range(pt.failure());
    return ForwardResult{geometry::format_rounded(pt.value().x, 3),
                         geometry::format_rounded(pt.value().y, 3)};
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
    geometry::Line line;
    if (auto f = read_line(fields, line)) return *f;
    double x, y;
    if (auto f = read_leading(fields, {{Field::Text8, &x}, {Field::Text9, &y}})) return *f;
    const auto where = geometry::locate(line, x, y);
    if (!where) return out_of_range(where.failure());
    return InverseResult{geometry::format_rounded(where.value().k, 3),
                         geometry::format_rounded(where.value().p, 3)};
}

namespace {

// Everything the batch loop needs, checked before the first row.
struct BatchPlan {
    geometry::Line line;
    double p = 0;
    geometry::SetOut dir;
    double start = 0, end = 0, step = 0;
    std::size_t rows = 0;
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
    if (auto f = read_line(fields, plan.line)) return *f;
    // The batch reads offset and skew by the leading-number rule ("5m" is 5).
    double skew = 90.0;
    if (offset_given(fields)) {
        if (auto f = read_leading(fields, {{Field::Text6, &plan.p}, {Field::Text7, &skew}})) {
            return *f;
        }
    }
    const double s = Dms(skew);

    if (auto f = read_leading(fields, {{Field::Text15, &plan.start}, {Field::Text16, &plan.end}})) {
        return *f;
    }
    if (plan.start < plan.line.k0) return failure(msg::kTableStartBeforeLine, Field::Text15);
    if (plan.end < plan.start) return failure(msg::kTableStartAfterEnd, Field::Text15);
    // The step must be one number as a whole; "20m" is refused, not read as 20.
    const auto step = parse_strict(fields.get(Field::Text17));
    if (!step) return failure(msg::kStepNotNumber, Field::Text17);
    if (*step <= 0.0) return failure(msg::kStepNotPositive, Field::Text17);
    if (!std::isfinite(*step)) return failure(msg::kValueOutOfRange, Field::Text17);
    plan.step = *step;

    const auto dir = geometry::set_out(plan.line.azimuth, s);
    if (!dir) return out_of_range(dir.failure());
    plan.dir = dir.value();

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
    const double k0 = plan.line.k0;
    const geometry::Point first_pt =
        geometry::point_at(plan.line, plan.dir, std::fabs(plan.start - k0), plan.p);
    const geometry::Point last_pt =
        geometry::point_at(plan.line, plan.dir, std::fabs(last - k0), plan.p);
    if (!std::isfinite(first_pt.x) || !std::isfinite(first_pt.y) || !std::isfinite(last_pt.x) ||
        !std::isfinite(last_pt.y) || !std::isfinite(last - k0)) {
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
        emit(k, geometry::point_at(plan.line, plan.dir, std::fabs(k - plan.line.k0), plan.p));
    }
}

// Feeds every row of a checked plan to `row` as its number texts.
template <class Row>
void batch_texts(const BatchPlan& plan, Row&& row) {
    const std::string p_text = format_number(plan.p);
    std::string k_text, x_text, y_text;
    run_batch(plan, [&](double k, geometry::Point pt) {
        k_text.clear();
        x_text.clear();
        y_text.clear();
        geometry::append_number(k_text, k);
        geometry::append_rounded(x_text, pt.x, 3);
        geometry::append_rounded(y_text, pt.y, 3);
        row(BatchRow{k_text, p_text, x_text, y_text});
    });
}

}  // namespace

std::optional<Failure> batch_rows(const FieldTexts& fields,
                                  const std::function<void(const BatchRow&)>& row) {
    auto plan = plan_batch(fields);
    if (!plan) return plan.failure();
    batch_texts(plan.value(), row);
    return std::nullopt;
}

void append_batch_line(std::string& out, const BatchRow& row) {
    out.append(" K=").append(row.k);
    out.append(",P=").append(row.p);
    out.append(",X=").append(row.x);
    out.append(",Y=").append(row.y);
    out.append("\r\n");
}

Outcome<std::string> batch_table(const FieldTexts& fields) {
    auto plan = plan_batch(fields);
    if (!plan) return plan.failure();
    std::string text(kBatchHeader);
    // Rows differ in length by a few digits at most; one allocation holds them all.
    const std::size_t p_size = format_number(plan.value().p).size();
    text.reserve(kBatchHeader.size() + plan.value().rows * (p_size + 48));
    batch_texts(plan.value(), [&](const BatchRow& row) { append_batch_line(text, row); });
    return text;
}

}  // namespace korvane::form
