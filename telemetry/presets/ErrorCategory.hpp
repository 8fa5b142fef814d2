#pragma once

#include <exception>
#include <optional>
#include <string>
#include <string_view>

namespace keepsift::analytics {

enum class ErrorCategory { thrownException, userInput, appState };

// "thrown-exception", "user-input", "app-state".
std::string_view rawValue(ErrorCategory category);
// Only the exact raw texts.
std::optional<ErrorCategory> errorCategoryFromRaw(std::string_view raw);

// An error that also carries an identifier.
class IdentifiableError {
public:
    virtual ~IdentifiableError() = default;
    virtual std::string id() const = 0;
    virtual std::string localizedDescription() const = 0;
};

// Any error with an identifier; its description is the wrapped error's.
struct AnyIdentifiableError : IdentifiableError {
    std::string identifier;
    std::exception_ptr error;

    std::string id() const override { return identifier; }
    std::string localizedDescription() const override;
};

AnyIdentifiableError withIdentifier(std::exception_ptr error, std::string identifier);

} // namespace keepsift::analytics
