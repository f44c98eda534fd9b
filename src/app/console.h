// The console of the programs' --help and --version on Windows.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#endif

namespace korvane::app {

// A window program on Windows starts without standard streams; started from
// a console, it writes its --help and --version there. Elsewhere nothing to do.
inline void use_parent_console() {
#ifdef _WIN32
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::FILE* out = std::freopen("CONOUT$", "w", stdout);
        std::FILE* err = std::freopen("CONOUT$", "w", stderr);
        (void)out;
        (void)err;
    }
#endif
}

}  // namespace korvane::app
