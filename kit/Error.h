#pragma once
// Errors that operations throw: a full sentence for the user, plus a domain and code where the
// failure is classified (errno for file-system errors, the stream domain for capture refusals).

#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kit {

namespace ErrorDomain {
// The code is an errno value.
inline constexpr std::string_view posix = "posix";
// The capture stream's domain; code -3801 means the user declined screen capture.
inline constexpr std::string_view screenCaptureStream = "com.apple.ScreenCaptureKit.SCStreamErrorDomain";
} // namespace ErrorDomain

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& description, std::string domain = {}, long long code = 0);

    // The user-facing sentence.
    std::string description() const { return what(); }
    const std::string& domain() const { return domain_; }
    long long code() const { return code_; }

private:
    std::string domain_;
    long long code_;
};

// The domain and code of any exception: kit::Error carries its own; std::system_error (and so
// std::filesystem::filesystem_error) of the generic or system category is a posix errno; anything
// else has an empty domain.
struct ErrorIdentity {
    std::string domain;
    long long code = 0;
};
ErrorIdentity identify(const std::exception& error);

// The user-facing description of a caught exception.
std::string describe(const std::exception& error);
std::string describe(const std::exception_ptr& error);

} // namespace kit
