// The outcome of an operation that can refuse: its value, or the reason it
// refused. A reason is a code that a program can act on and a message that a
// person can read; every refusal names one, and nothing is refused in
// silence. piecetool and the readers it calls report through this type.
#pragma once

#include <string>
#include <utility>
#include <variant>

// Why something was refused. `code` is short and stable ("png-crc",
// "gltf-draco"): tests and scripts key on it. `message` says the same for a
// person, in a sentence without a leading capital or a final stop, so that a
// caller can put a file name in front of it.
struct Refusal {
    std::string code;
    std::string message;

    friend bool operator==(const Refusal&, const Refusal&) = default;
};

inline Refusal Refuse(std::string code, std::string message) {
    return Refusal{std::move(code), std::move(message)};
}

template <class T> class [[nodiscard]] Result {
  public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Refusal refusal) : state_(std::in_place_index<1>, std::move(refusal)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Refusal& refusal() const { return std::get<1>(state_); }

  private:
    std::variant<T, Refusal> state_;
};

// An operation that yields nothing but can refuse.
struct Done {};
using Status = Result<Done>;

inline Status Success() {
    return Done{};
}
