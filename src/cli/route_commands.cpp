#include "cli/route_commands.h"

#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/route_options.h"

namespace korvane::cli {

struct RouteCommands::Options {
    RouteOptions values;
    CLI::App* route = nullptr;
    CLI::App* info = nullptr;
    CLI::App* forward = nullptr;
    CLI::App* inverse = nullptr;
    CLI::App* table = nullptr;
    CLI::App* curves = nullptr;
    CLI::App* convert = nullptr;
    CLI::Option* x_option = nullptr;
    CLI::Option* points_option = nullptr;
};

namespace {

using Options = RouteCommands::Options;

void add_file(CLI::App& cmd, RouteOptions& o) {
    cmd.add_option("file", o.file,
                   "线路：Korvane 线路文件，文件名以 .xml 结尾时为 LandXML；- 读标准输入")
        ->type_name("FILE")
        ->required();
    cmd.add_option("--name", o.name, "LandXML 文件含多条线路时所用线路的名称")->type_name("NAME");
}

void add_output(CLI::App& cmd, RouteOptions& o, bool with_format) {
    cmd.add_option("--decimals", o.decimals, "输出数字与桩号的小数位数，0到9（默认3）")
        ->type_name("N");
    cmd.add_option("--output", o.output,
                   "把结果写入此文件（代码页936，CR LF），整体替换；- 为标准输出")
        ->type_name("FILE");
    if (with_format) {
        cmd.add_option("--format", o.format, "csv（默认）或 cass：CASS 坐标文件 点名,编码,Y,X,H")
            ->type_name("FORMAT");
    }
}

// The heading and sign-off of a PDF report (--output FILE.pdf).
void add_report(CLI::App& cmd, RouteOptions& o) {
    cmd.add_option("--project", o.project, "PDF 报表页眉的项目名称（默认取线路文件中的）")
        ->type_name("TEXT");
    cmd.add_option("--section", o.section, "PDF 报表页眉的合同段（默认取线路文件中的）")
        ->type_name("TEXT");
    cmd.add_option("--coordinate-system", o.coordinate_system,
                   "PDF 报表页眉的坐标系（默认取线路文件中的）")
        ->type_name("TEXT");
    cmd.add_option("--elevation-system", o.elevation_system,
                   "PDF 报表页眉的高程系（默认取线路文件中的）")
        ->type_name("TEXT");
    cmd.add_option("--computed-by", o.computed_by, "PDF 报表每页下方的计算人")->type_name("NAME");
    cmd.add_option("--checked-by", o.checked_by, "PDF 报表每页下方的复核人")->type_name("NAME");
    cmd.add_option("--approved-by", o.approved_by, "PDF 报表每页下方的审核人")->type_name("NAME");
}

}  // namespace

RouteCommands::RouteCommands(CLI::App& app) : options_(std::make_unique<Options>()) {
    Options& a = *options_;
    RouteOptions& o = a.values;
    a.route = app.add_subcommand("route", "沿线路计算（直线、圆曲线、缓和曲线、断链、纵断面）");
    a.route->require_subcommand(1);

    a.info = a.route->add_subcommand("info", "主点与线元分界点：label,station,X,Y,azimuth,radius");
    add_file(*a.info, o);
    add_output(*a.info, o, true);

    a.forward = a.route->add_subcommand(
        "forward", "桩号处的坐标X、Y、方位角与高程H：station,offset,X,Y,azimuth,H");
    add_file(*a.forward, o);
    a.forward->add_option("--station", o.station, "桩号，如 K1+234.5 或 1234.5")
        ->type_name("CHAINAGE")
        ->required();
    a.forward->add_option("--offset", o.offset, "偏距P（m），右侧为正（默认0）")->type_name("P");
    a.forward->add_option("--skew", o.skew, "斜交角，d.mmss 格式，自前进方向顺时针量（默认90）")
        ->type_name("A");
    a.forward->add_option("--zone", o.zone, "长链重复的桩号所在的分区1、2、…")->type_name("N");
    add_output(*a.forward, o, true);

    a.inverse =
        a.route->add_subcommand("inverse", "点的桩号、偏距与高程H：name,X,Y,station,offset,H");
    add_file(*a.inverse, o);
    a.x_option = a.inverse->add_option("--x", o.x, "点的坐标X（北坐标，m）")->type_name("X");
    CLI::Option* y = a.inverse->add_option("--y", o.y, "点的坐标Y（东坐标，m）")->type_name("Y");
    a.x_option->needs(y);
    y->needs(a.x_option);
    a.points_option =
        a.inverse
            ->add_option("--points", o.points,
                         "点文件：CASS .dat、表头为 name,X,Y[,H] 的 CSV .csv，或每行 [点名] X Y；"
                         "- 读标准输入")
            ->type_name("FILE");
    a.points_option->excludes(a.x_option)->excludes(y);
    add_output(*a.inverse, o, false);

    a.table = a.route->add_subcommand(
        "table", "从一个桩号到另一桩号的逐桩坐标：station,label,offset,X,Y,azimuth,H");
    add_file(*a.table, o);
    a.table->add_option("--from", o.from, "起始桩号")->type_name("S")->required();
    a.table->add_option("--to", o.to, "终止桩号")->type_name("S")->required();
    a.table->add_option("--interval", o.interval, "整桩间距（m）")->type_name("D")->required();
    a.table->add_option("--offsets", o.offsets, "边桩偏距，以逗号分隔，如 -7.5,0,7.5（默认0）")
        ->type_name("LIST");
    a.table->add_option("--skew", o.skew, "斜交角，d.mmss 格式（默认90）")->type_name("A");
    a.table->add_flag("--no-key-points", o.no_key_points, "不列主点、线元分界点与断链");
    a.table->add_option("--from-zone", o.from_zone, "长链重复 --from 的桩号时其所在分区")
        ->type_name("N");
    a.table->add_option("--to-zone", o.to_zone, "长链重复 --to 的桩号时其所在分区")->type_name("N");
    add_output(*a.table, o, true);
    add_report(*a.table, o);

    a.curves = a.route->add_subcommand(
        "curves",
        "直曲表（交点法线路）：JD,station,X,Y,deflection,turn,R,Ls1,Ls2,A1,A2,T1,T2,L,"
        "Ly,E,ZH,HY,QZ,YH,HZ");
    add_file(*a.curves, o);
    add_output(*a.curves, o, false);
    add_report(*a.curves, o);

    a.convert = a.route->add_subcommand(
        "convert", "Korvane 线路文件与 LandXML 互转，按 OUT 的扩展名（.xml）；交点法线路写成线元");
    add_file(*a.convert, o);
    a.convert->add_option("out", o.out, "要写入的文件；- 为标准输出")->type_name("OUT")->required();
}

RouteCommands::~RouteCommands() = default;

bool RouteCommands::chosen() const {
    return options_->route->parsed();
}

Done RouteCommands::run() const {
    Options& a = *options_;
    RouteOptions o = a.values;
    using Command = RouteOptions::Command;
    o.command = a.info->parsed()      ? Command::info
                : a.forward->parsed() ? Command::forward
                : a.inverse->parsed() ? Command::inverse
                : a.table->parsed()   ? Command::table
                : a.curves->parsed()  ? Command::curves
                                      : Command::convert;
    o.has_x = a.x_option->count() > 0;
    o.has_points = a.points_option->count() > 0;
    return run_route(o);
}

}  // namespace korvane::cli
