// The report library's texts and sheets: angles in degrees, minutes and
// seconds, the chain breaks of the heading, the table of stakes one row per
// station (without a centre stake, with a stake missing), and the page
// count the heading gives against the pages drawn.
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <numbers>

#include "report/report.h"
#include "report/sheets.h"
#include "route/alignment.h"

namespace kr = korvane::route;
namespace rp = korvane::report;

namespace {

constexpr double kSecond = std::numbers::pi / 180 / 3600;

// A straight north of 1000 m from K0+000 with a chain break at 300 m.
kr::Alignment straight(double back, double ahead) {
    kr::Definition d;
    d.name.push_back('S');
    kr::ElementsDef e;
    e.elements = {{1000, kr::kStraight, kr::kStraight}};
    d.horizontal = e;
    d.breaks = {{back, ahead}};
    return kr::Alignment::build(d).value();
}

kr::TableRow stake(double chainage, double offset) {
    kr::TableRow r;
    r.s = chainage;
    r.chainage = chainage;
    r.offset = offset;
    r.x = chainage;
    r.y = offset;
    r.azimuth = 0;
    r.elevation = 100 + chainage / 100;
    return r;
}

int pdfPages(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    return static_cast<int>(QString::fromLatin1(f.readAll())
                                .count(QRegularExpression(QStringLiteral("/Type /Page\\b"))));
}

}  // namespace

class ReportTest : public QObject {
    Q_OBJECT

  private slots:
    void anglesInDegreesMinutesSeconds();
    void chainBreaksOfTheHeading();
    void stakesWithoutACentreOrWithAStakeMissing();
    void pagesCountedAsDrawn();
};

void ReportTest::anglesInDegreesMinutesSeconds() {
    QCOMPARE(rp::dms_text((37 * 3600 + 33 * 60 + 11.03) * kSecond), QStringLiteral("37°33′11.03″"));
    QCOMPARE(rp::dms_text(0), QStringLiteral("0°00′00.00″"));
    // Seconds that round up carry into the minutes and degrees.
    QCOMPARE(rp::dms_text((29 * 3600 + 59 * 60 + 59.996) * kSecond),
             QStringLiteral("30°00′00.00″"));
    // An azimuth that rounds to 360° is 0.
    QCOMPARE(rp::dms_text(2 * std::numbers::pi - 0.001 * kSecond), QStringLiteral("0°00′00.00″"));
}

void ReportTest::chainBreaksOfTheHeading() {
    QCOMPARE(rp::breaks_text(straight(300, 290)),
             QStringLiteral("K0+300.000=K0+290.000（长链10.000m）"));
    QCOMPARE(rp::breaks_text(straight(300, 312.5)),
             QStringLiteral("K0+300.000=K0+312.500（短链12.500m）"));
}

void ReportTest::stakesWithoutACentreOrWithAStakeMissing() {
    const kr::Alignment a = straight(300, 290);
    // Two side stakes a station, no centre; the second station lacks its right stake.
    std::vector<kr::TableRow> rows{stake(0, -3.5), stake(0, 3.5), stake(20, -3.5), stake(40, -3.5),
                                   stake(40, 3.5)};
    const rp::Sheet s = rp::stake_sheet(
        a, rp::StakeRows{rows.size(), [&rows](std::size_t i) { return rows[i]; }}, QString());
    QCOMPARE(s.rows, std::size_t{3});
    QCOMPARE(s.source_rows, std::size_t{5});
    QStringList groups;
    for (const rp::Column& c : s.columns) groups << c.group;
    QCOMPARE(groups,
             (QStringList{"", "", "", "左3.5", "左3.5", "左3.5", "右3.5", "右3.5", "右3.5"}));
    QCOMPARE(s.columns[2].title, QStringLiteral("方位角"));
    QCOMPARE(s.cells(1), (QStringList{"K0+020.000", "", "0°00′00.00″", "20.000", "-3.500",
                                      "100.200", "", "", ""}));
    QCOMPARE(s.cells(2).value(6), QStringLiteral("40.000"));
    // A station without an elevation leaves H empty.
    rows[4].elevation.reset();
    QCOMPARE(s.cells(2).value(8), QString());
}

void ReportTest::pagesCountedAsDrawn() {
    const kr::Alignment a = straight(300, 290);
    std::vector<kr::TableRow> rows;
    for (int i = 0; i <= 500; ++i) rows.push_back(stake(2.0 * i, 0));
    const rp::Sheet s = rp::stake_sheet(
        a, rp::StakeRows{rows.size(), [&rows](std::size_t i) { return rows[i]; }}, QString());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.pdf"));
    rp::ReportInfo info;
    info.date = QDate(2026, 1, 2);
    std::vector<std::size_t> told;
    rp::Control control;
    control.progress = [&told](std::size_t rows) { told.push_back(rows); };
    QVERIFY(!rp::write_pdf(path, a, {s}, info, control));
    const int pages = pdfPages(path);
    QVERIFY(pages > 2);
    QCOMPARE(static_cast<int>(told.size()), pages);  // told once a page, rising
    QVERIFY(std::is_sorted(told.begin(), told.end()));
    // A cancel before the first page puts nothing in place.
    std::atomic<bool> cancel{true};
    const QString other = dir.filePath(QStringLiteral("c.pdf"));
    rp::Control stop;
    stop.cancel = &cancel;
    QCOMPARE(rp::write_pdf(other, a, {s}, info, stop).value_or(QString()),
             QLatin1String(rp::kCancelled));
    QVERIFY(!QFile::exists(other));
    QVERIFY(rp::write_pdf(other, a, {}, info).has_value());
}

QTEST_MAIN(ReportTest)
#include "report_test.moc"
