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
    CLI::App* section = nullptr;
    CLI::App* check = nullptr;
    CLI::App* dxf = nullptr;
    CLI::Option* x_option = nullptr;
    CLI::Option* points_option = nullptr;
};

namespace {

using Options = RouteCommands::Options;

void add_file(CLI::App& cmd, RouteOptions& o) {
    cmd.add_option("file", o.file, "Korvane 线路文件，文件名以 .xml 结尾时为 LandXML；- 读标准输入")
        ->type_name("线路文件")
        ->required();
    cmd.add_option("--name", o.name, "LandXML 文件含多条线路时所用线路的名称")->type_name("名称");
}

void add_output(CLI::App& cmd, RouteOptions& o, bool with_format) {
    cmd.add_option("--decimals", o.decimals, "输出数字与桩号的小数位数，0到9（默认3）")
        ->type_name("位数");
    cmd.add_option("--output", o.output,
                   "把结果写入此文件（代码页936，CR LF），整体替换；- 为标准输出")
        ->type_name("文件");
    if (with_format) {
        cmd.add_option("--format", o.format, "csv（默认）或 cass：CASS 坐标文件 点名,编码,Y,X,H")
            ->type_name("格式");
    }
    cmd.add_option("--names", o.names,
                   "chinese（默认）或 ascii：点名与编码只用ASCII字符，边桩写作 K1+020.000L7.5 与 "
                   "K1+020.000R7.5，折点编码 ZJD，断链编码 DL")
        ->type_name("点名方式");
}

// route dxf: the plan for CAD, with the stakes of a table when --from, --to
// and --interval are given (the table options as route table has them).
CLI::App* add_dxf(CLI::App& route, RouteOptions& o) {
    CLI::App* dxf = route.add_subcommand(
        "dxf", "线路平面图写成 DXF 文件（AutoCAD 2000）：中线、主点、里程、交点与逐桩坐标");
    add_file(*dxf, o);
    dxf->add_option("out", o.out, "要写入的 DXF 文件；- 为标准输出")
        ->type_name("输出文件")
        ->required();
    dxf->add_option("--ticks", o.ticks, "桩号刻度间距（m，默认20；每100 m 注记桩号）")
        ->type_name("间距");
    dxf->add_option("--tolerance", o.tolerance, "缓和曲线折线的弦线容差（m，默认0.001）")
        ->type_name("容差");
    dxf->add_option("--decimals", o.decimals, "桩号的小数位数，0到9（默认3）")->type_name("位数");
    dxf->add_option("--from", o.from, "逐桩坐标的起算桩号（与 --to、--interval 一同给出）")
        ->type_name("桩号");
    dxf->add_option("--to", o.to, "逐桩坐标的止算桩号")->type_name("桩号");
    dxf->add_option("--interval", o.interval, "逐桩坐标的整桩间距（m）")->type_name("间距");
    dxf->add_option("--offsets", o.offsets, "边桩偏距，以逗号分隔，如 -7.5,0,7.5（默认0）")
        ->type_name("偏距表");
    dxf->add_option("--skew", o.skew, "斜交角，d.mmss 格式（默认90）")->type_name("角度");
    dxf->add_flag("--no-key-points", o.no_key_points, "逐桩坐标不列主点、线元分界点与断链");
    dxf->add_option("--from-zone", o.from_zone, "长链重复起算桩号时其所在分区")->type_name("分区");
    dxf->add_option("--to-zone", o.to_zone, "长链重复止算桩号时其所在分区")->type_name("分区");
    return dxf;
}

// The heading and sign-off of a PDF report (--output FILE.pdf).
void add_report(CLI::App& cmd, RouteOptions& o) {
    cmd.add_option("--project", o.project, "PDF 报表页眉的项目名称（默认取线路文件中的）")
        ->type_name("文字");
    cmd.add_option("--section", o.section, "PDF 报表页眉的合同段（默认取线路文件中的）")
        ->type_name("文字");
    cmd.add_option("--coordinate-system", o.coordinate_system,
                   "PDF 报表页眉的坐标系（默认取线路文件中的）")
        ->type_name("文字");
    cmd.add_option("--elevation-system", o.elevation_system,
                   "PDF 报表页眉的高程系（默认取线路文件中的）")
        ->type_name("文字");
    cmd.add_option("--computed-by", o.computed_by, "PDF 报表每页下方的计算人")->type_name("姓名");
    cmd.add_option("--checked-by", o.checked_by, "PDF 报表每页下方的复核人")->type_name("姓名");
    cmd.add_option("--approved-by", o.approved_by, "PDF 报表每页下方的审核人")->type_name("姓名");
}

}  // namespace

RouteCommands::RouteCommands(CLI::App& app) : options_(std::make_unique<Options>()) {
    Options& a = *options_;
    RouteOptions& o = a.values;
    a.route = app.add_subcommand("route", "沿线路计算（直线、圆曲线、缓和曲线、断链、纵断面）");
    a.route->require_subcommand(1);

    a.info = a.route->add_subcommand("info",
                                     "主点与线元分界点，CSV 列 label,station,X,Y,azimuth,radius");
    add_file(*a.info, o);
    add_output(*a.info, o, true);

    a.forward = a.route->add_subcommand(
        "forward",
        "坐标正算：桩号处的坐标X、Y、方位角与设计高程H，CSV 列 station,offset,X,Y,azimuth,H");
    add_file(*a.forward, o);
    a.forward->add_option("--station", o.station, "计算桩号，如 K1+234.5 或 1234.5")
        ->type_name("桩号")
        ->required();
    a.forward->add_option("--offset", o.offset, "偏距P（m），线路右侧为正（默认0）")
        ->type_name("偏距");
    a.forward->add_option("--skew", o.skew, "斜交角，d.mmss 格式，自线路方向顺时针量（默认90）")
        ->type_name("角度");
    a.forward->add_option("--zone", o.zone, "长链重复的桩号所在的分区1、2、…")->type_name("分区");
    add_output(*a.forward, o, true);

    a.inverse = a.route->add_subcommand(
        "inverse", "坐标反算：点的桩号、偏距与设计高程H，CSV 列 name,X,Y,station,offset,H");
    add_file(*a.inverse, o);
    a.x_option = a.inverse->add_option("--x", o.x, "点的坐标X（北坐标，m）")->type_name("坐标");
    CLI::Option* y = a.inverse->add_option("--y", o.y, "点的坐标Y（东坐标，m）")->type_name("坐标");
    a.x_option->needs(y);
    y->needs(a.x_option);
    a.points_option =
        a.inverse
            ->add_option("--points", o.points,
                         "点文件：CASS .dat、表头为 name,X,Y[,H] 的 CSV .csv，或每行 [点名] X Y；"
                         "- 读标准输入；点名照原样写出（--names ascii 时须为ASCII）")
            ->type_name("点文件");
    a.points_option->excludes(a.x_option)->excludes(y);
    add_output(*a.inverse, o, false);

    a.table = a.route->add_subcommand(
        "table",
        "逐桩坐标表：起算桩号至止算桩号的中桩与边桩，CSV 列 station,label,offset,X,Y,azimuth,H");
    add_file(*a.table, o);
    a.table->add_option("--from", o.from, "起算桩号")->type_name("桩号")->required();
    a.table->add_option("--to", o.to, "止算桩号")->type_name("桩号")->required();
    a.table->add_option("--interval", o.interval, "整桩间距（m）")->type_name("间距")->required();
    a.table
        ->add_option("--offsets", o.offsets,
                     "边桩偏距，以逗号（或全角逗号）分隔，如 -7.5,0,7.5（默认0）")
        ->type_name("偏距表");
    a.table->add_option("--skew", o.skew, "斜交角，d.mmss 格式，自线路方向顺时针量（默认90）")
        ->type_name("角度");
    a.table->add_flag("--no-key-points", o.no_key_points, "不列主点、线元分界点与断链");
    a.table->add_option("--from-zone", o.from_zone, "长链重复起算桩号时其所在分区")
        ->type_name("分区");
    a.table->add_option("--to-zone", o.to_zone, "长链重复止算桩号时其所在分区")->type_name("分区");
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
        "convert",
        "Korvane 线路文件与 LandXML 互转：输出文件名以 .xml 结尾时写 LandXML；交点法线路写成线元");
    add_file(*a.convert, o);
    a.convert->add_option("out", o.out, "要写入的文件；- 为标准输出")
        ->type_name("输出文件")
        ->required();

    a.section =
        a.route->add_subcommand("section",
                                "横断面：桩号处自左侧外缘至右侧外缘的各变坡点与设计高程，CSV 列 "
                                "station,side,name,offset,slope,X,Y,H");
    add_file(*a.section, o);
    a.section->add_option("--station", o.station, "计算桩号，如 K1+234.5 或 1234.5")
        ->type_name("桩号")
        ->required();
    a.section->add_option("--zone", o.zone, "长链重复的桩号所在的分区1、2、…")->type_name("分区");
    add_output(*a.section, o, true);

    a.check = a.route->add_subcommand(
        "check",
        "高程检查：实测点与其垂足处的设计高程比较，CSV 列 "
        "name,X,Y,H,station,offset,design_H,dH（dH＝实测－设计，正为高于设计）");
    add_file(*a.check, o);
    a.check
        ->add_option("--points", o.points,
                     "实测点文件：CASS .dat、表头为 name,X,Y,H 的 CSV .csv，或每行 "
                     "[点名] X Y；- 读标准输入")
        ->type_name("点文件")
        ->required();
    add_output(*a.check, o, false);

    a.dxf = add_dxf(*a.route, o);
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
                : a.section->parsed() ? Command::section
                : a.check->parsed()   ? Command::check
                : a.dxf->parsed()     ? Command::dxf
                : a.curves->parsed()  ? Command::curves
                                      : Command::convert;
    o.has_x = a.x_option->count() > 0;
    o.has_points = a.points_option->count() > 0 || a.check->parsed();
    return run_route(o);
}

}  // namespace korvane::cli
