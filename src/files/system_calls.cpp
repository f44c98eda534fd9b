#include "files/system_calls.h"

#include <unistd.h>

#include <cstdio>

namespace korvane::files::detail {

SystemCalls& system_calls() {
    static SystemCalls calls{::write, ::read, ::fsync, ::close, ::rename};
    return calls;
}

}  // namespace korvane::files::detail
