// Prints "<digest>  <file>" for each file named, as md5sum and sha256sum do.
#include "digest/MD5.h"
#include "digest/SHA256.h"

#include <cstdio>
#include <string_view>

int main(int argc, char** argv) {
    const std::string_view kind = argc > 1 ? argv[1] : "";
    if (argc < 3 || (kind != "md5" && kind != "sha256")) {
        std::fprintf(stderr, "usage: digestbench md5|sha256 FILE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const std::string digest =
            kind == "md5" ? kq::MD5Print(kq::MD5File(argv[i])) : kq::SHA256Print(kq::SHA256File(argv[i]));
        std::printf("%s  %s\n", digest.c_str(), argv[i]);
    }
    return 0;
}
