#include "files/startup.h"

#include "files/system_calls.h"

namespace korvane::files {

void prepare_for_file_writing() {
    detail::prepare_process_for_file_writing();
}

}  // namespace korvane::files
