#pragma once
// A file name as messages print it: a name may hold any byte but '/' and
// NUL, and a newline or an escape sequence in it must not forge or
// scramble the lines around it.
#include <string>
#include <string_view>

namespace kq {

// Control characters (below 20h, and 7Fh) written as \n, \r, \t or \xHH;
// every other byte, UTF-8 included, as it stands.
std::string PrintableName(std::string_view name);

}  // namespace kq
