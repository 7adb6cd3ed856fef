#include "app/PrintableName.h"

namespace kq {

std::string PrintableName(std::string_view name) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string printed;
    printed.reserve(name.size());
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            printed += c;
        } else if (c == '\n') {
            printed += "\\n";
        } else if (c == '\r') {
            printed += "\\r";
        } else if (c == '\t') {
            printed += "\\t";
        } else {
            printed += "\\x";
            printed += kHex[byte >> 4];
            printed += kHex[byte & 0x0F];
        }
    }
    return printed;
}

}  // namespace kq
