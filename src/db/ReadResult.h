#pragma once

#include <optional>
#include <utility>

// Why the database could not do what was asked, as far as a member needs to
// know: the server cannot be reached (or stopped answering, or the module is
// not connected), the database refused the statement because the login lacks
// the rights for it, or any other failure (a statement the server rejects).
enum class DbFailure { ConnectionLost, NoPermission, Other };

// What a read gives: its value (an empty list or no row when nothing was
// found) or the failure that stopped it.
template <typename T> class ReadResult {
public:
    ReadResult(T value) : value_(std::move(value)) {}
    ReadResult(DbFailure failure) : failure_(failure) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }

    // Only when ok() (else std::bad_optional_access).
    T& value() { return value_.value(); }
    const T& value() const { return value_.value(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }

    // Only when not ok().
    DbFailure failure() const { return failure_; }

private:
    std::optional<T> value_;
    DbFailure failure_ = DbFailure::Other;
};
