#pragma once

#include <stdexcept>
#include <string>

namespace varnisk {

// An error of the program: it ends the running operation and its text is
// shown to the user in a message box. Values written before it stay written.
class ProgramError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A field text that does not convert to the number the program wants.
class ConversionError : public ProgramError {
public:
    using ProgramError::ProgramError;
};

// A file that cannot be opened, read or written.
class FileError : public ProgramError {
public:
    using ProgramError::ProgramError;
};

// The program ends itself: no further operation runs and no dialog is shown.
class Terminated : public std::exception {
public:
    explicit Terminated(int exitCode = 0) : exitCode_(exitCode) {}
    // The exit code the program ends with.
    int exitCode() const { return exitCode_; }
    const char* what() const noexcept override { return "the program ended itself"; }

private:
    int exitCode_;
};

}  // namespace varnisk
