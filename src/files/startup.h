// What each program calls once at start-up, before it writes any file.
#pragma once

#include <string_view>

namespace korvane::files {

// The message of both programs when memory runs out.
inline constexpr std::string_view kOutOfMemory = "内存不足，无法完成这项操作！";

// By default a write beyond the file-size limit (RLIMIT_FSIZE, `ulimit -f`)
// kills the process with SIGXFSZ: the window vanishes with everything typed and
// the temporary file of a save stays behind. With the signal ignored the write
// fails with EFBIG instead, and the save reports it like a full disk and
// removes its temporary file.
void prepare_for_file_writing();

}  // namespace korvane::files
