#include "report/sheets.h"

#include <cmath>
#include <memory>
#include <string>

#include "files/curve_output.h"
#include "files/route_output.h"
#include "geometry/fixed_text.h"

namespace korvane::report {
namespace {

constexpr int kDecimals = 3;

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Where each station's rows start, and the offsets of the first station.
struct Stations {
    const route::Alignment* alignment = nullptr;
    StakeRows rows;
    std::vector<std::size_t> starts;  // and rows.size last
    std::vector<double> sides;        // the side stakes' offsets, in order
    bool centre = false;              // the stations have a centre stake
};

bool same_station(const route::TableRow& a, const route::TableRow& b) {
    return a.chainage == b.chainage && a.zone == b.zone && a.label == b.label;
}

std::shared_ptr<Stations> stations_of(const route::Alignment& alignment, StakeRows rows) {
    auto st = std::make_shared<Stations>();
    st->alignment = &alignment;
    st->rows = std::move(rows);
    std::vector<double> seen;
    route::TableRow previous;
    for (std::size_t i = 0; i < st->rows.size; ++i) {
        const route::TableRow r = st->rows.row(i);
        bool fresh = i == 0 || !same_station(r, previous);
        if (!fresh) {
            for (double o : seen) fresh = fresh || o == r.offset;
        }
        if (fresh) {
            st->starts.push_back(i);
            seen.clear();
        }
        seen.push_back(r.offset);
        if (st->starts.size() == 1) {
            if (r.offset == 0) {
                st->centre = true;
            } else {
                st->sides.push_back(r.offset);
            }
        }
        previous = r;
    }
    st->starts.push_back(st->rows.size);
    return st;
}

QString elevation_text(const std::optional<double>& h) {
    return h ? qs(geometry::shown_fixed(*h, kDecimals)) : QString();
}

}  // namespace

Sheet stake_sheet(const route::Alignment& alignment, StakeRows rows, const QString& range) {
    std::shared_ptr<Stations> st = stations_of(alignment, std::move(rows));
    Sheet sheet;
    sheet.title = QStringLiteral("逐桩坐标表");
    sheet.range = range;
    sheet.rows = st->starts.size() - 1;
    sheet.source_rows = st->rows.size;

    // Samples as wide as the widest cells: the longest station name (a chain
    // break's two chainages), the first row's coordinates with a digit more.
    QString station = qs(alignment.station_text(999999.999, 1, kDecimals)) + QStringLiteral("(9)");
    QString label = QStringLiteral("HZ/ZH");
    for (const route::KeyPoint& k : alignment.key_points()) {
        const QString text = qs(alignment.station_text(k.chainage, k.zone, kDecimals));
        if (text.size() > station.size()) station = text;
        if (qs(k.label).size() > label.size()) label = qs(k.label);
    }
    QString x = QStringLiteral("9999999.999");
    QString y = x;
    if (st->rows.size > 0) {
        const route::TableRow r = st->rows.row(0);
        x = qs(geometry::shown_fixed(r.x, kDecimals)) + QLatin1Char('0');
        y = qs(geometry::shown_fixed(r.y, kDecimals)) + QLatin1Char('0');
    }
    const QString h = QStringLiteral("9999.999");
    const QString azimuth = QStringLiteral("359°59′59.99″");
    sheet.columns.push_back({QString(), QStringLiteral("桩号"), station, false});
    sheet.columns.push_back({QString(), QStringLiteral("主点"), label, false});
    const QString centre = QStringLiteral("中桩");
    if (st->centre) {
        sheet.columns.push_back({centre, QStringLiteral("X"), x, true});
        sheet.columns.push_back({centre, QStringLiteral("Y"), y, true});
        sheet.columns.push_back({centre, QStringLiteral("H"), h, true});
        sheet.columns.push_back({centre, QStringLiteral("方位角"), azimuth, true});
    } else {
        sheet.columns.push_back({QString(), QStringLiteral("方位角"), azimuth, true});
    }
    for (double o : st->sides) {
        const QString side = qs(files::stake_name("", o));
        sheet.columns.push_back({side, QStringLiteral("X"), x, true});
        sheet.columns.push_back({side, QStringLiteral("Y"), y, true});
        sheet.columns.push_back({side, QStringLiteral("H"), h, true});
    }
    sheet.cells = [st](std::size_t i) {
        const route::Alignment& a = *st->alignment;
        const std::size_t first = st->starts[i];
        const std::size_t last = st->starts[i + 1];
        const route::TableRow head = st->rows.row(first);
        QStringList cells;
        cells << qs(a.station_text(head.chainage, head.zone, kDecimals)) << qs(head.label);
        // Each stake's three cells at its place; missing stakes stay empty.
        const qsizetype sides_at = st->centre ? 6 : 3;
        while (cells.size() < sides_at + 3 * static_cast<qsizetype>(st->sides.size()))
            cells << QString();
        if (!st->centre) cells[2] = dms_text(head.azimuth);
        for (std::size_t j = first; j < last; ++j) {
            const route::TableRow r = j == first ? head : st->rows.row(j);
            qsizetype at = -1;
            if (r.offset == 0 && st->centre) {
                at = 2;
                cells[5] = dms_text(r.azimuth);
            } else {
                for (std::size_t k = 0; k < st->sides.size(); ++k) {
                    if (st->sides[k] == r.offset) at = sides_at + 3 * static_cast<qsizetype>(k);
                }
            }
            if (at < 0) continue;
            cells[at] = qs(geometry::shown_fixed(r.x, kDecimals));
            cells[at + 1] = qs(geometry::shown_fixed(r.y, kDecimals));
            cells[at + 2] = elevation_text(r.elevation);
        }
        return cells;
    };
    return sheet;
}

Sheet curve_sheet(const route::Alignment& alignment, const std::vector<route::CurveRow>& rows) {
    auto texts = std::make_shared<std::vector<QStringList>>();
    texts->reserve(rows.size());
    for (const route::CurveRow& r : rows) {
        QStringList cells;
        for (const std::string& f : files::curve_fields(alignment, r, kDecimals)) cells << qs(f);
        // The deflection in degrees, minutes and seconds, as on paper.
        if (!cells[4].isEmpty()) cells[4] = dms_text(r.deflection);
        texts->push_back(cells);
    }
    Sheet sheet;
    sheet.title = QStringLiteral("直线、曲线及转角表");
    sheet.range = QStringLiteral("全线");
    sheet.landscape = true;
    sheet.rows = texts->size();
    const QString jd = QStringLiteral("交点");
    const QString turn = QStringLiteral("转角");
    const QString elements = QStringLiteral("曲线要素（m）");
    const QString main = QStringLiteral("主点桩号");
    const char* titles[] = {"交点号", "桩号", "X",  "Y",  "转角值", "方向", "R",
                            "Ls1",    "Ls2",  "A1", "A2", "T1",     "T2",   "L",
                            "Ly",     "E",    "ZH", "HY", "QZ",     "YH",   "HZ"};
    for (std::size_t c = 0; c < files::kCurveColumns; ++c) {
        const QString group = c < 4 ? jd : c < 6 ? turn : c < 16 ? elements : main;
        QString sample = QStringLiteral("0000.000");
        for (const QStringList& t : *texts)
            if (t[static_cast<qsizetype>(c)].size() > sample.size())
                sample = t[static_cast<qsizetype>(c)];
        const bool number = c != 0 && c != 1 && c != 5 && c < 16;
        sheet.columns.push_back({group, QString::fromUtf8(titles[c]), sample, number});
    }
    sheet.cells = [texts](std::size_t i) { return (*texts)[i]; };
    return sheet;
}

}  // namespace korvane::report
