#pragma once

#include <stdexcept>
#include <string>

// An error raised by the program's own routines, carrying a number and a source
// so that trace lines can report "Code=", "Description=" and "Source=".
class RuntimeError : public std::runtime_error
{
public:
    RuntimeError(int number, const std::string& description, const std::string& source = "")
        : std::runtime_error(description), number_(number), source_(source) {}

    int Number() const { return number_; }
    std::string Description() const { return what(); }
    const std::string& Source() const { return source_; }

private:
    int number_;
    std::string source_;
};

// A floating-point value too large for the integer type it is converted to.
class OverflowError : public RuntimeError
{
public:
    explicit OverflowError(const std::string& source = "") : RuntimeError(6, "Overflow", source) {}
};

// Text that cannot be read as the number or Boolean asked for.
class TypeMismatchError : public RuntimeError
{
public:
    explicit TypeMismatchError(const std::string& source = "") : RuntimeError(13, "Type mismatch", source) {}
};
