#include "telemetry/presets/ErrorCategory.hpp"

namespace keepsift::analytics {

std::string_view rawValue(ErrorCategory category) {
    switch (category) {
    case ErrorCategory::thrownException:
        return "thrown-exception";
    case ErrorCategory::userInput:
        return "user-input";
    case ErrorCategory::appState:
        return "app-state";
    }
    return "app-state";
}

std::optional<ErrorCategory> errorCategoryFromRaw(std::string_view raw) {
    for (auto category :
         {ErrorCategory::thrownException, ErrorCategory::userInput, ErrorCategory::appState})
        if (rawValue(category) == raw) return category;
    return std::nullopt;
}

std::string AnyIdentifiableError::localizedDescription() const {
    if (!error) return "unknown error";
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& thrown) {
        return thrown.what();
    } catch (...) {
        return "unknown error";
    }
}

AnyIdentifiableError withIdentifier(std::exception_ptr error, std::string identifier) {
    AnyIdentifiableError wrapped;
    wrapped.identifier = std::move(identifier);
    wrapped.error = std::move(error);
    return wrapped;
}

} // namespace keepsift::analytics
