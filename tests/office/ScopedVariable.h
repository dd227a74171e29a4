#pragma once
// An environment variable set for the life of a test.

#include <cstdlib>
#include <optional>
#include <string>

namespace vorrindel::automation::libreoffice {

// Sets a variable for the life of a test; nullptr unsets it.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { saved_ ? setenv(name_, saved_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

}  // namespace vorrindel::automation::libreoffice
