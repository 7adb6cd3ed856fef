#pragma once
// Puts a replacement in through `Set` (which returns what it replaced) for
// the life of the scope, and the previous one back when the scope ends.
namespace platform {

template <typename T, T* (*Set)(T*)>
class ScopedReplacement {
public:
    explicit ScopedReplacement(T& replacement) : previous_(Set(&replacement)) {}
    ~ScopedReplacement() { Set(previous_); }
    ScopedReplacement(const ScopedReplacement&) = delete;
    ScopedReplacement& operator=(const ScopedReplacement&) = delete;

private:
    T* previous_;
};

}  // namespace platform
