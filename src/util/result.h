// A value or the one-line reason there is none. Failures are values here, not
// exceptions.
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>

namespace velor {

template <typename T>
class Result {
  public:
    Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit by design
    static Result failure(std::string error) { return Result(std::move(error), 0); }

    explicit operator bool() const { return value_.has_value(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    const std::string& error() const {
        assert(!value_);
        return error_;
    }

  private:
    Result(std::string error, int) : error_(std::move(error)) {}
    std::optional<T> value_;
    std::string error_;
};

}  // namespace velor
