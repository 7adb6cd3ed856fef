#pragma once
// Owns one system handle held as a plain value (a descriptor, a HANDLE, a
// module) and closes it when the holder goes; a move hands it over and
// leaves `Empty` behind. `Close` is never called with `Empty`.
#include <utility>

namespace platform {

template <typename T, T Empty, void (*Close)(T)>
class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(T value) : value_(value) {}
    OwnedHandle(OwnedHandle&& other) noexcept : value_(std::exchange(other.value_, Empty)) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.value_, Empty));
        return *this;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() { Reset(Empty); }

    T Get() const { return value_; }
    // Closes the handle held, if any, and holds `value` instead.
    void Reset(T value) {
        if (value_ != Empty) Close(value_);
        value_ = value;
    }

private:
    T value_ = Empty;
};

}  // namespace platform
