// The PDF reports drawn by the report library on an offscreen Qt platform:
// the command line needs no display.
#include <QGuiApplication>
#include <QString>
#include <deque>
#include <memory>
#include <unordered_map>

#include "cli/route_pdf.h"
#include "geometry/number_text.h"
#include "report/report.h"
#include "report/sheets.h"

namespace korvane::cli {
namespace {

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

report::ReportInfo info_of(const ReportTexts& t) {
    report::ReportInfo info;
    info.project = qs(t.project);
    info.section = qs(t.section);
    info.coordinates = qs(t.coordinates);
    info.heights = qs(t.heights);
    info.computedBy = qs(t.computed_by);
    info.checkedBy = qs(t.checked_by);
    info.approvedBy = qs(t.approved_by);
    return info;
}

// A Qt application for the painter's fonts, on the offscreen platform,
// unless there is one already.
class Gui {
  public:
    Gui() {
        if (QCoreApplication::instance() != nullptr) return;
        // Qt's notes (no runtime folder and the like) are not the command's
        // messages: standard error carries only those.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }

  private:
    int argc_ = 3;
    char name_[12] = "korvane-cli";
    char option_[10] = "-platform";
    char platform_[10] = "offscreen";
    char* argv_[4] = {name_, option_, platform_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

Done written(const std::optional<QString>& failure) {
    if (failure) return unreadable(failure->toStdString());
    return std::nullopt;
}

}  // namespace

Done write_table_pdf(const std::string& path, const route::Alignment& alignment,
                     const route::TableRequest& request, const ReportTexts& texts) {
    // The rows kept whole (the report counts its pages first), each label
    // held once: a row's label is a view into the table's own texts.
    std::vector<route::TableRow> rows;
    std::deque<std::string> labels;
    std::unordered_map<std::string, std::string_view> known;
    route::Outcome<route::TableSummary> done =
        route::table(alignment, request, [&](const route::TableRow& r) {
            route::TableRow row = r;
            if (!r.label.empty()) {
                auto it = known.find(std::string(r.label));
                if (it == known.end()) {
                    labels.emplace_back(r.label);
                    it = known.emplace(labels.back(), labels.back()).first;
                }
                row.label = it->second;
            }
            rows.push_back(row);
            return true;
        });
    if (!done) return refused(done.failure().message);
    const Gui gui;
    const QString range =
        QStringLiteral("%1 至 %2，间距 %3 m")
            .arg(qs(alignment.chainage_text(request.from)), qs(alignment.chainage_text(request.to)),
                 qs(geometry::format_number(request.interval)));
    report::StakeRows source{rows.size(), [&rows](std::size_t i) { return rows[i]; }};
    const std::vector<report::Sheet> sheets{report::stake_sheet(alignment, source, range)};
    return written(
        report::write_pdf(QString::fromStdString(path), alignment, sheets, info_of(texts)));
}

Done write_curves_pdf(const std::string& path, const route::Alignment& alignment,
                      const std::vector<route::CurveRow>& rows, const ReportTexts& texts) {
    const Gui gui;
    const std::vector<report::Sheet> sheets{report::curve_sheet(alignment, rows)};
    return written(
        report::write_pdf(QString::fromStdString(path), alignment, sheets, info_of(texts)));
}

}  // namespace korvane::cli
