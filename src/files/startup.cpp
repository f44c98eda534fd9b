#include "files/startup.h"

#include <csignal>

namespace korvane::files {

void prepare_for_file_writing() {
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace korvane::files
