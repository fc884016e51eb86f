#include "kit/Error.h"

#include <system_error>

#include "kit/Translatable.h"

namespace kit {

Error::Error(const std::string& description, std::string domain, long long code)
    : std::runtime_error(description), domain_(std::move(domain)), code_(code) {}

ErrorIdentity identify(const std::exception& error) {
    if (const auto* own = dynamic_cast<const Error*>(&error)) {
        return {own->domain(), own->code()};
    }
    if (const auto* system = dynamic_cast<const std::system_error*>(&error)) {
        const auto& category = system->code().category();
        if (category == std::generic_category() || category == std::system_category()) {
            return {std::string(ErrorDomain::posix), system->code().value()};
        }
    }
    return {};
}

std::string describe(const std::exception& error) {
    return error.what();
}

std::string describe(const std::exception_ptr& error) {
    if (!error) return KIT_TRANSLATABLE("Error", "Unknown error.");
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return describe(e);
    } catch (...) {
        return KIT_TRANSLATABLE("Error", "Unknown error.");
    }
}

} // namespace kit
