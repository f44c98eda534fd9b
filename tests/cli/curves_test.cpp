// `route curves` of the reference alignment by intersection points, read
// from the file it writes, against tangent lengths, curve lengths and
// external distances worked out here from the clothoid's own integrals and
// the circle it joins, and against the reference main points.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/route_options.h"
#include "files/codec.h"
#include "files/temp_folder.h"
#include "route/cases.h"
#include "route/pi_case.h"

namespace kt = korvane::route::test;

namespace {

struct Jd {
    const char* name;
    double x, y, r, ls1, ls2;
};
// As in pi-alignment.csv: QD, JD1…JD3, ZD.
constexpr double kQdX = 3456789.123, kQdY = 512345.678;
constexpr Jd kJds[] = {{"JD1", 3457250.000, 512700.000, 600, 120, 120},
                       {"JD2", 3457600.000, 513450.000, 800, 150, 100},
                       {"JD3", 3458300.000, 513700.000, 400, 0, 0}};
constexpr double kZdX = 3458900.000, kZdY = 514400.000;

// The end of a clothoid of length ls ending at radius r, in its own frame
// (x along the tangent at its start, y towards the curve), by Simpson's rule
// on 20000 panels of ∫cos and ∫sin of l²/(2·r·ls).
void clothoid_end(double r, double ls, double& x, double& y) {
    x = y = 0;
    if (ls == 0) return;
    const int n = 20000;
    const double h = ls / n;
    for (int i = 0; i <= n; ++i) {
        const double l = i * h;
        const double w = (i == 0 || i == n) ? 1 : (i % 2 == 1 ? 4 : 2);
        const double phi = l * l / (2 * r * ls);
        x += w * std::cos(phi);
        y += w * std::sin(phi);
    }
    x *= h / 3;
    y *= h / 3;
}

struct Expected {
    double deflection, t1, t2, length, arc, external;
    bool right;
};

Expected expected(int i) {
    const double xs[] = {kQdX, kJds[0].x, kJds[1].x, kJds[2].x, kZdX};
    const double ys[] = {kQdY, kJds[0].y, kJds[1].y, kJds[2].y, kZdY};
    const Jd& jd = kJds[i];
    const double az_in = std::atan2(ys[i + 1] - ys[i], xs[i + 1] - xs[i]);
    const double az_out = std::atan2(ys[i + 2] - ys[i + 1], xs[i + 2] - xs[i + 1]);
    const double alpha = std::remainder(az_out - az_in, 2 * std::numbers::pi);
    const double a = std::fabs(alpha);
    const double r = jd.r;
    double x1, y1, x2, y2;
    clothoid_end(r, jd.ls1, x1, y1);
    clothoid_end(r, jd.ls2, x2, y2);
    const double b1 = jd.ls1 / (2 * r), b2 = jd.ls2 / (2 * r);
    const double p1 = y1 - r * (1 - std::cos(b1)), q1 = x1 - r * std::sin(b1);
    const double p2 = y2 - r * (1 - std::cos(b2)), q2 = x2 - r * std::sin(b2);
    Expected e;
    e.deflection = a;
    e.right = alpha > 0;
    e.t1 = q1 + ((r + p2) - (r + p1) * std::cos(a)) / std::sin(a);
    e.t2 = q2 + ((r + p1) - (r + p2) * std::cos(a)) / std::sin(a);
    e.arc = r * (a - b1 - b2);
    e.length = jd.ls1 + e.arc + jd.ls2;
    // The circle's centre: q1 on from ZH along the incoming tangent and
    // r + p1 across it, towards the turn; the bisector from the JD meets
    // the circle where its nearer root says.
    const double ux = std::cos(az_in), uy = std::sin(az_in);
    const double side = e.right ? 1 : -1;
    const double nx = -uy * side, ny = ux * side;
    const double cx = jd.x - (e.t1 - q1) * ux + (r + p1) * nx;
    const double cy = jd.y - (e.t1 - q1) * uy + (r + p1) * ny;
    double dx = std::cos(az_out) - ux, dy = std::sin(az_out) - uy;
    const double dn = std::hypot(dx, dy);
    dx /= dn;
    dy /= dn;
    const double vx = cx - jd.x, vy = cy - jd.y;
    const double dv = dx * vx + dy * vy;
    e.external = dv - std::sqrt(dv * dv - (vx * vx + vy * vy) + r * r);
    // The point it meets lies on the circular curve, between HY and YH: its
    // angle around the centre, counted from the radius square to the
    // incoming tangent, between β1 and α − β2.
    const double hx = jd.x + e.external * dx - cx, hy = jd.y + e.external * dy - cy;
    const double from_start = std::atan2(hy, hx) - std::atan2(-ny, -nx);
    const double turned = std::fabs(std::remainder(from_start, 2 * std::numbers::pi));
    EXPECT_GE(turned, b1) << jd.name;
    EXPECT_LE(turned, a - b2) << jd.name;
    return e;
}

// d.mmss with seconds to two decimals.
std::string packed(double radians) {
    const double seconds = std::round(radians * 180 / std::numbers::pi * 360000) / 100;
    const long whole = static_cast<long>(seconds);
    char text[64];
    std::snprintf(text, sizeof text, "%ld.%02ld%02ld%02ld", whole / 3600, whole / 60 % 60,
                  whole % 60, std::lround((seconds - static_cast<double>(whole)) * 100));
    return text;
}

std::vector<std::vector<std::string>> curves_of(const std::string& file, int& status,
                                                std::string& header) {
    korvane::files::testing::TempFolder folder;
    const std::string out = (folder.path() / "curves.csv").string();
    korvane::cli::RouteOptions o;
    o.command = korvane::cli::RouteOptions::Command::curves;
    o.file = file;
    o.decimals = "9";
    o.output = out;
    const korvane::cli::Done done = korvane::cli::run_route(o);
    status = done ? done->status : 0;
    std::vector<std::vector<std::string>> rows;
    if (done) return rows;
    std::ifstream in(out, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find("\r\n"), std::string::npos);
    const auto utf8 = korvane::files::cp936_to_utf8(bytes);
    EXPECT_TRUE(utf8.ok());
    const auto lines = kt::lines_of(utf8.value());
    header = lines.at(0);
    for (std::size_t i = 1; i < lines.size(); ++i) rows.push_back(kt::fields_of(lines[i]));
    return rows;
}

}  // namespace

TEST(route_curves, reference_alignment_against_independent_curve_elements) {
    int status = -1;
    std::string header;
    const auto rows = curves_of(kt::case_path("pi-alignment.csv"), status, header);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(header, "JD,station,X,Y,deflection,turn,R,Ls1,Ls2,A1,A2,T1,T2,L,Ly,E,ZH,HY,QZ,YH,HZ");
    ASSERT_EQ(rows.size(), 5u);
    // The start and end: chainage and coordinates only.
    EXPECT_EQ(rows[0], (std::vector<std::string>{"QD",
                                                 "K0+000.000000000",
                                                 "3456789.123000000",
                                                 "512345.678000000",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 ""}));
    EXPECT_EQ(rows[4][0], "ZD");
    EXPECT_NEAR(kt::station(rows[4][1]), 3017.488553397, 1e-6);
    EXPECT_EQ(rows[4][4], "");

    // The main points of the reference, per JD: ZH (ZY), HY, QZ, YH, HZ (YZ).
    const auto main = kt::csv_rows("pi-alignment-main-points.csv");
    const std::size_t first[] = {1, 6, 11};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(kJds[i].name);
        const auto& row = rows[static_cast<std::size_t>(i) + 1];
        ASSERT_EQ(row.size(), 21u);
        const Jd& jd = kJds[i];
        const Expected e = expected(i);
        EXPECT_EQ(row[0], jd.name);
        EXPECT_NEAR(kt::number(row[2]), jd.x, 1e-9);
        EXPECT_NEAR(kt::number(row[3]), jd.y, 1e-9);
        EXPECT_EQ(row[4], packed(e.deflection));
        EXPECT_EQ(row[5], e.right ? "右" : "左");
        EXPECT_EQ(kt::number(row[6]), jd.r);  // never signed
        EXPECT_EQ(kt::number(row[7]), jd.ls1);
        EXPECT_EQ(kt::number(row[8]), jd.ls2);
        EXPECT_NEAR(kt::number(row[9]), std::sqrt(jd.r * jd.ls1), 1e-8);
        EXPECT_NEAR(kt::number(row[10]), std::sqrt(jd.r * jd.ls2), 1e-8);
        EXPECT_NEAR(kt::number(row[11]), e.t1, 1e-6);
        EXPECT_NEAR(kt::number(row[12]), e.t2, 1e-6);
        EXPECT_NEAR(kt::number(row[13]), e.length, 1e-6);
        EXPECT_NEAR(kt::number(row[14]), e.arc, 1e-6);
        EXPECT_NEAR(kt::number(row[15]), e.external, 1e-6);
        // Main points by chainage text (the zone's chainage), from the reference.
        const std::size_t m = first[i];
        const bool transitions = jd.ls1 > 0;
        const std::vector<std::size_t> at =
            transitions ? std::vector<std::size_t>{m, m + 1, m + 2, m + 3, m + 4}
                        : std::vector<std::size_t>{m, m, m + 1, m + 2, m + 2};
        for (std::size_t k = 0; k < 5; ++k) {
            EXPECT_NEAR(kt::station(row[16 + k]), kt::station(main.at(at[k])[1]), 1e-6)
                << "main point " << k;
        }
        // The JD's chainage: the curve's start plus T1 (JD2's lies after the
        // long chain of 10 m, in zone 2).
        const double s_zh = kt::number(main.at(m)[3]);
        const double zone_constant = s_zh + e.t1 > 1190 + 10 ? -10.0 : 0.0;
        EXPECT_NEAR(kt::station(row[1]), s_zh + e.t1 + zone_constant, 1e-6);
    }
}

TEST(route_curves, symmetric_curve_external_is_the_closed_form) {
    // With equal transitions the bisector passes through the circle's centre.
    const Expected e = expected(0);
    double x, y;
    clothoid_end(600, 120, x, y);
    const double b = 120.0 / 1200;
    const double p = y - 600 * (1 - std::cos(b));
    EXPECT_NEAR(e.external, (600 + p) / std::cos(e.deflection / 2) - 600, 1e-9);
}

TEST(route_curves, element_alignment_refused) {
    korvane::files::testing::TempFolder folder;
    const std::string in = (folder.path() / "e.csv").string();
    std::ofstream(in, std::ios::binary)
        << korvane::files::utf8_to_cp936("线路,E,K\r\n起点,K0+000,0,0,0\r\n直线,100\r\n").value();
    int status = -1;
    std::string header;
    const auto rows = curves_of(in, status, header);
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(rows.empty());
}
