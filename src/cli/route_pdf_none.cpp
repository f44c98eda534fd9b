// A build without Qt has no report writer: a PDF output is refused.
#include "cli/route_pdf.h"

namespace korvane::cli {
namespace {

Done unavailable() {
    return refused(
        "此版本的 korvane-cli 构建时没有 Qt，不能写 PDF 报表！请输出 CSV，或用 korvane-route "
        "导出报表。");
}

}  // namespace

Done write_table_pdf(const std::string&, const route::Alignment&, const route::TableRequest&,
                     const ReportTexts&) {
    return unavailable();
}

Done write_curves_pdf(const std::string&, const route::Alignment&,
                      const std::vector<route::CurveRow>&, const ReportTexts&) {
    return unavailable();
}

}  // namespace korvane::cli
