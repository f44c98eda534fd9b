// The code page 936 codec on arbitrary bytes, read both ways. Whatever decodes
// encodes back to the same bytes and whatever encodes decodes back to the same
// text; the prefix decoder agrees with the whole decoder on valid input and
// otherwise gives the decoding of a leading part of the input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "files/codec.h"
#include "fuzz_check.h"

namespace {

using korvane::fuzz::check;
namespace kf = korvane::files;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The bytes as a code page 936 file.
    const auto text = kf::cp936_to_utf8(bytes);
    const std::string prefix = kf::cp936_prefix_to_utf8(bytes);
    if (text) {
        const auto back = kf::utf8_to_cp936(text.value());
        check(back.ok() && back.value() == bytes,
              "decoded text does not encode back to the same bytes", bytes);
        check(prefix == text.value(), "prefix decoder differs on valid bytes", bytes);
    } else {
        check(!text.failure().message.empty(), "decoding failure without a message", bytes);
        const auto back = kf::utf8_to_cp936(prefix);
        check(back.ok(), "prefix decoder gave text that does not encode", bytes);
        check(bytes.substr(0, back.value().size()) == back.value(),
              "prefix decoder gave text that is not the start of the input", bytes);
        check(back.value().size() < bytes.size(), "prefix decoder took all of an invalid input",
              bytes);
    }

    // The bytes as UTF-8 text typed into a field.
    const auto encoded = kf::utf8_to_cp936(bytes);
    if (encoded) {
        const auto decoded = kf::cp936_to_utf8(encoded.value());
        check(decoded.ok() && decoded.value() == bytes,
              "encoded text does not decode back to the same text", bytes);
    } else {
        check(!encoded.failure().message.empty(), "encoding failure without a message", bytes);
    }
    return 0;
}
