#pragma once
// The outcome of an operation that reports failure as a value instead of throwing: either a
// value of T or an error of E, never both, never neither.

#include <utility>
#include <variant>

namespace kit {

template <class T, class E>
class Result {
public:
    static Result success(T value) { return Result(std::in_place_index<0>, std::move(value)); }
    static Result failure(E error) { return Result(std::in_place_index<1>, std::move(error)); }

    bool ok() const { return storage_.index() == 0; }

    // Reading the side that is not there throws std::bad_variant_access.
    const T& value() const { return std::get<0>(storage_); }
    const E& error() const { return std::get<1>(storage_); }

    friend bool operator==(const Result&, const Result&) = default;

private:
    template <std::size_t I, class V>
    Result(std::in_place_index_t<I> tag, V&& content) : storage_(tag, std::forward<V>(content)) {}

    std::variant<T, E> storage_;
};

} // namespace kit
