// Prints "<digest>  <file>" for each file named, as sha256sum does.
#include "app/SHA256.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: sha256bench FILE...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i)
        std::printf("%s  %s\n", kq::SHA256Print(kq::SHA256File(argv[i])).c_str(), argv[i]);
    return 0;
}
