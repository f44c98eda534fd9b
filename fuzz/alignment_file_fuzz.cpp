// The alignment-file reader on arbitrary bytes. It either gives a definition
// or a message ending in "！" (one naming a line starts with "第"); never a
// crash. A definition it gives, written out again, reads back exactly equal,
// and writing that again gives the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "files/alignment_file.h"
#include "fuzz_check.h"

namespace {

using korvane::fuzz::check;
namespace kf = korvane::files;

bool ends_with_mark(const std::string& message) {
    return std::string_view(message).ends_with("！") &&
           message.size() > std::string_view("！").size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto read = kf::parse_alignment_file(bytes);
    if (!read) {
        check(ends_with_mark(read.failure().message), "failure message without its closing mark",
              bytes);
        return 0;
    }
    const auto written = kf::alignment_file_bytes(read.value());
    // A name may hold what a file cannot (a character outside code page 936
    // read from UTF-8, spaces kept inside); then writing is refused, with a message.
    if (!written) {
        check(ends_with_mark(written.failure().message), "writer failure without its closing mark",
              bytes);
        return 0;
    }
    const auto again = kf::parse_alignment_file(written.value());
    check(again.ok(),
          "a written file does not read back: " + (again ? std::string() : again.failure().message),
          bytes);
    check(again.value() == read.value(), "writing then reading changed the definition", bytes);
    const auto twice = kf::alignment_file_bytes(again.value());
    check(twice.ok() && twice.value() == written.value(), "writing is not stable", bytes);
    return 0;
}
