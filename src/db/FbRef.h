#pragma once

#include <firebird/Interface.h>

#include <string>
#include <utility>

// Ownership of Firebird client interfaces, private to the data-access module.
// A successful close, free, commit, rollback, detach or drop releases the
// interface inside the client: the owner then forget()s it. After a failed one
// the owner still holds it and its destructor or reset() releases it.
template <class T> class FbRef {
public:
    FbRef() = default;
    explicit FbRef(T* pointer) : p_(pointer) {}
    FbRef(const FbRef&) = delete;
    FbRef& operator=(const FbRef&) = delete;
    FbRef(FbRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    FbRef& operator=(FbRef&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.p_, nullptr));
        return *this;
    }
    ~FbRef() { reset(); }

    void reset(T* pointer = nullptr) {
        if (p_)
            p_->release();
        p_ = pointer;
    }
    void forget() { p_ = nullptr; }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// The same for the interfaces that end with dispose() (builders, status).
template <class T> class FbDisposable {
public:
    explicit FbDisposable(T* pointer) : p_(pointer) {}
    FbDisposable(const FbDisposable&) = delete;
    FbDisposable& operator=(const FbDisposable&) = delete;
    ~FbDisposable() {
        if (p_)
            p_->dispose();
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }

private:
    T* p_ = nullptr;
};

// The client's own text for a failure status.
inline std::string FbStatusText(Firebird::IUtil* util, Firebird::IStatus* status) {
    char buffer[2048];
    const unsigned length = util->formatStatus(buffer, sizeof buffer - 1, status);
    std::string text(buffer, length < sizeof buffer ? length : sizeof buffer - 1);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0' || text.back() == ' '))
        text.pop_back();
    return text;
}
