#pragma once
// An optional value kept on the heap: a pointer's width where the value is
// absent, as it is for nearly every event's snooze and shown row, so that a
// schedule of 100,000 events stays small.
#include <memory>
#include <optional>

namespace orbelle {

template <typename T>
class Boxed {
public:
    Boxed() = default;
    Boxed(const std::optional<T>& value) { *this = value; }
    Boxed(const Boxed& other) { *this = other; }
    Boxed(Boxed&&) noexcept = default;
    Boxed& operator=(Boxed&&) noexcept = default;
    Boxed& operator=(const Boxed& other) {
        if (this != &other) value_ = other.value_ ? std::make_unique<T>(*other.value_) : nullptr;
        return *this;
    }
    Boxed& operator=(const T& value) {
        if (value_) *value_ = value;
        else value_ = std::make_unique<T>(value);
        return *this;
    }
    Boxed& operator=(const std::optional<T>& value) {
        if (value) *this = *value;
        else reset();
        return *this;
    }

    bool has_value() const { return value_ != nullptr; }
    explicit operator bool() const { return has_value(); }
    void reset() { value_.reset(); }
    T& operator*() const { return *value_; }
    T* operator->() const { return value_.get(); }

private:
    std::unique_ptr<T> value_;
};

}  // namespace orbelle
