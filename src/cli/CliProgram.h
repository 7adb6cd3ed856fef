#pragma once
// The whole program: parse, then list, burn once, or burn onto several drives.
#include <string>
#include <vector>

namespace kq::cli {

int RunCliProgram(const std::string& self, const std::vector<std::string>& args);

}  // namespace kq::cli
