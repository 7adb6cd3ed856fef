// Prints "<digest>  <file>" for each file named, as md5sum does.
#include "app/MD5.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: md5bench FILE...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i)
        std::printf("%s  %s\n", kq::MD5Print(kq::MD5File(argv[i])).c_str(), argv[i]);
    return 0;
}
