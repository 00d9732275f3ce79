// The error hierarchy of Brenvik. Errors are exceptions that travel up to the
// user action that caused them; the window shows their text in a message box,
// the command line prints it and exits with status 1.
#pragma once

#include <stdexcept>
#include <string>

namespace brenvik {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A text that does not hold the value it should (a date, a number).
class ConversionError : public Error {
 public:
  using Error::Error;
};

// A file or folder that cannot be read, written, renamed or deleted.
class FileError : public Error {
 public:
  using Error::Error;
};

// A table operation that cannot be carried out (unknown field, bad file).
class TableError : public Error {
 public:
  using Error::Error;
};

// An operating-system call that failed; the text names the call and the cause.
class PlatformError : public Error {
 public:
  using Error::Error;
};

}  // namespace brenvik
