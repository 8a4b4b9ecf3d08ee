// Errors raised inside handlers; their message is shown by the application error report.
#pragma once

#include <stdexcept>
#include <string>

namespace lib {

/// An error whose message (UTF-8 bytes) is meant for the user.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

/// A text that is not a number where one was needed.
class ConvertError : public Error {
 public:
  using Error::Error;
};

/// A file that could not be opened or read.
class FileError : public Error {
 public:
  using Error::Error;
};

/// A file that opened but holds more than the caller's limit; nothing of it was taken.
class FileTooLargeError : public FileError {
 public:
  using FileError::FileError;
};

/// Replaces the first "%s" in pattern by each argument in turn.
std::string format(std::string pattern, std::initializer_list<std::string> args);

}  // namespace lib
