// korvane-cli: the forward, inverse and batch computations and the data files
// from the command line.
#include "cli/cli.h"
#include "files/startup.h"

#ifdef _WIN32
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>
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
#ifdef _WIN32
    // The arguments in UTF-8, as the program takes every text: argv holds them
    // in the ANSI code page, where a Chinese name may not even exist.
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide != nullptr) {
        std::vector<std::string> texts;
        for (int i = 0; i < count; ++i) {
            const int n =
                ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
            std::string text(n > 0 ? static_cast<std::size_t>(n) : 1, '\0');
            if (n > 0)
                ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), n, nullptr, nullptr);
            text.pop_back();  // the terminating NUL
            texts.push_back(std::move(text));
        }
        ::LocalFree(wide);
        std::vector<char*> utf8;
        for (std::string& t : texts) utf8.push_back(t.data());
        utf8.push_back(nullptr);
        return korvane::cli::run(count, utf8.data());
    }
#endif
    return korvane::cli::run(argc, argv);
}
