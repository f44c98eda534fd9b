#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "files/codec.h"
#include "files/landxml_xml.h"
#include "geometry/number_text.h"

namespace korvane::files::landxml {
namespace {

bool same_letters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

// The encoding named in the XML declaration, if any ("" for none).
std::string declared_encoding(std::string_view bytes) {
    if (!bytes.starts_with("<?xml")) return {};
    const std::string_view decl = bytes.substr(0, bytes.find("?>"));
    const std::size_t at = decl.find("encoding");
    if (at == std::string_view::npos) return {};
    std::size_t i = decl.find_first_of("\"'", at);
    if (i == std::string_view::npos) return {};
    const char quote = decl[i];
    const std::size_t end = decl.find(quote, i + 1);
    if (end == std::string_view::npos) return {};
    return std::string(decl.substr(i + 1, end - i - 1));
}

}  // namespace

std::optional<std::string> load(std::string_view bytes, pugi::xml_document& doc,
                                pugi::xml_node& root) {
    // Code page 936 (GBK, GB2312 and the two-byte part of GB18030) is decoded
    // here; pugixml knows the Unicode encodings and Latin-1.
    const std::string declared = declared_encoding(bytes);
    std::string decoded;
    pugi::xml_encoding encoding = pugi::encoding_auto;
    if (same_letters(declared, "GBK") || same_letters(declared, "GB2312") ||
        same_letters(declared, "GB18030") || same_letters(declared, "CP936")) {
        auto text = cp936_to_utf8(bytes);
        if (!text)
            return "文件声明的编码" + in_quotes(declared) + "无法解码：" +
                   without_mark(text.failure().message);
        decoded = std::move(text).value();
        bytes = decoded;
        encoding = pugi::encoding_utf8;
    } else if (!declared.empty() && !same_letters(declared, "UTF-8") &&
               !same_letters(declared, "UTF8") && !same_letters(declared, "US-ASCII") &&
               !same_letters(declared, "ASCII") && !same_letters(declared, "UTF-16") &&
               !same_letters(declared, "ISO-8859-1") && !same_letters(declared, "latin1")) {
        return "不支持文件声明的编码" + in_quotes(declared) +
               "（只支持UTF-8、UTF-16、ISO-8859-1和GBK/GB2312/GB18030）";
    }
    const pugi::xml_parse_result r =
        doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, encoding);
    if (!r) {
        const std::size_t offset =
            std::min(static_cast<std::size_t>(std::max<std::ptrdiff_t>(r.offset, 0)), bytes.size());
        std::size_t line = 1;
        for (std::size_t i = 0; i < offset; ++i) line += bytes[i] == '\n';
        return "第" + std::to_string(line) + "行：不是格式正确的XML";
    }
    root = doc.document_element();
    if (local_name(root) != "LandXML")
        return "不是LandXML文件（根元素是" + in_quotes(local_name(root)) + "）";
    return std::nullopt;
}

// The names of the alignments as they are chosen: a name that occurs
// several times is "name#2", "name#3" … from its second occurrence on.
std::vector<std::string> choice_names(const std::vector<pugi::xml_node>& alignments) {
    std::vector<std::string> out;
    std::map<std::string, int> seen;
    for (const pugi::xml_node& a : alignments) {
        const std::string name = a.attribute("name").as_string();
        const int count = ++seen[name];
        out.push_back(count == 1 ? name : name + "#" + std::to_string(count));
    }
    return out;
}

std::string name_list(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += "、";
        text += in_quotes(names[i]);
    }
    return text;
}

pugi::xml_node child_named(const pugi::xml_node& parent, std::string_view name) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && local_name(c) == name) return c;
    }
    return {};
}

std::vector<pugi::xml_node> elements_of(const pugi::xml_node& parent) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element) out.push_back(c);
    }
    return out;
}

// Every Alignment element of the document, in document order.
std::vector<pugi::xml_node> alignments_of(const pugi::xml_node& root) {
    std::vector<pugi::xml_node> out;
    for (const pugi::xml_node& group : elements_of(root)) {
        if (local_name(group) != "Alignments") continue;
        for (const pugi::xml_node& a : elements_of(group)) {
            if (local_name(a) == "Alignment") out.push_back(a);
        }
    }
    return out;
}

std::optional<double> number(std::string_view text) {
    const std::optional<double> v = geometry::parse_strict(text);
    if (!v || !std::isfinite(*v)) return std::nullopt;
    return v;
}

// Whitespace-separated numbers of an element's text ("northing easting [z]").
std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (i < text.size()) {
        while (i < text.size() && blank(text[i])) ++i;
        const std::size_t start = i;
        while (i < text.size() && !blank(text[i])) ++i;
        if (i > start) out.push_back(text.substr(start, i - start));
    }
    return out;
}

namespace {
static std::optional<std::string> angular_unit(std::string_view u, Units& units) {
    if (u.empty() || u == "decimal degrees" || u == "degrees") {
        units.radians = std::numbers::pi / 180;
    } else if (u == "radians") {
        units.radians = 1;
    } else if (u == "grads" || u == "gons") {
        units.radians = std::numbers::pi / 200;
    } else if (u == "decimal dd.mm.ss") {
        units.packed = true;
    } else {
        // Directions come from coordinates; only the angles checked against
        // them (a Curve's delta) need the unit, and those are left unchecked.
        units.radians = std::numeric_limits<double>::quiet_NaN();
        units.unknown_angle = std::string(u);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> read_units(const pugi::xml_node& root, Units& units) {
    const pugi::xml_node node = child_named(root, "Units");
    if (!node) return std::nullopt;
    if (const pugi::xml_node m = child_named(node, "Metric")) {
        const std::string_view u = m.attribute("linearUnit").as_string();
        if (u == "millimeter") {
            units.metres = 0.001;
        } else if (u == "centimeter") {
            units.metres = 0.01;
        } else if (u == "kilometer") {
            units.metres = 1000;
        } else if (!u.empty() && u != "meter") {
            return "不支持的长度单位" + in_quotes(u);
        }
        return angular_unit(m.attribute("angularUnit").as_string(), units);
    }
    if (const pugi::xml_node m = child_named(node, "Imperial")) {
        const std::string_view u = m.attribute("linearUnit").as_string();
        if (u == "USSurveyFoot") {
            units.metres = 1200.0 / 3937.0;
        } else if (u == "foot") {
            units.metres = 0.3048;
        } else {
            return "不支持的长度单位" + in_quotes(u) + "（只支持USSurveyFoot和foot）";
        }
        return angular_unit(m.attribute("angularUnit").as_string(), units);
    }
    return std::nullopt;
}

}  // namespace korvane::files::landxml
