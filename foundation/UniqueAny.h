#pragma once

#include <utility>

// A move-only owner of a handle-like value with a close function. The Win32
// aliases live in WinHandles.h.
template <typename T, typename Traits>
class unique_any {
public:
    unique_any() = default;
    explicit unique_any(T value) : value_(value) {}
    ~unique_any() { reset(); }
    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;

    T get() const { return value_; }
    // For out-parameters: closes the current value first.
    T* put() {
        reset();
        return &value_;
    }
    T release() { return std::exchange(value_, Traits::invalid()); }
    void reset(T value = Traits::invalid()) {
        if (Traits::isValid(value_)) Traits::close(value_);
        value_ = value;
    }
    explicit operator bool() const { return Traits::isValid(value_); }

private:
    T value_ = Traits::invalid();
};
