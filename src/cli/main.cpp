// korvane-cli: the forward, inverse and batch computations and the data files
// from the command line.
#include "cli/cli.h"
#include "files/startup.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // The batch table keeps its CR LF line ends byte for byte, the messages
    // and the points read from standard input theirs: the same bytes as on
    // every other system.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    korvane::files::prepare_for_file_writing();
    return korvane::cli::run(argc, argv);
}
