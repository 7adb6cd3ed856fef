#include "cli/CliProgram.h"

#include <string>
#include <vector>
#ifdef _WIN32
#include "platform/win32/WidePath.h"

#include <windows.h>
#include <shellapi.h>
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
#ifdef _WIN32
    // The arguments as typed, in UTF-8 like every path inside the program:
    // argv holds them in the ANSI code page, which loses other names.
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        if (count == argc) {
            for (int i = 1; i < count; ++i) args[static_cast<size_t>(i - 1)] = platform::Utf8Of(wide[i]);
        }
        LocalFree(wide);
    }
#endif
    return kq::cli::RunCliProgram(argv[0], args);
}
