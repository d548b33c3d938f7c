// The program's exceptions. Messages are code-page text, shown to the user as they stand.
#pragma once
#include <exception>
#include <string>

namespace zv {

class EError : public std::exception {
public:
    explicit EError(std::string message) : m_message(std::move(message)) {}
    const char* what() const noexcept override { return m_message.c_str(); }
    const std::string& Message() const { return m_message; }

private:
    std::string m_message;
};

// The one exception the registry object raises.
class ERegistryException : public EError {
public:
    using EError::EError;
};

}  // namespace zv
