#pragma once
// A shared library loaded at run time, unloaded when its holder goes.
#include <optional>
#include <string>

namespace platform {

class Library {
public:
    // nullopt when the library cannot be loaded; error then says why.
    static std::optional<Library> Open(const std::string& path, std::string* error = nullptr);

    Library(Library&& other) noexcept;
    Library& operator=(Library&& other) noexcept;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library();

    // The address of an exported symbol, or nullptr.
    void* Symbol(const char* name) const;
    // The system's module handle, for callers that judge it.
    void* NativeHandle() const { return handle_; }

private:
    explicit Library(void* handle) : handle_(handle) {}
    void* handle_ = nullptr;
};

}  // namespace platform
