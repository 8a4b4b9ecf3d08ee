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

/// Longest text a message quotes whole, in characters.
constexpr std::size_t kQuoteLimit = 100;

/// text as a message quotes it: whole up to limit characters (UTF-8 sequences kept whole),
/// else its first limit characters and "…".
std::string quoted(const std::string& text, std::size_t limit = kQuoteLimit);

/// Replaces the first "%s" in pattern by each argument in turn, each as quoted() gives it.
std::string format(std::string pattern, std::initializer_list<std::string> args);

}  // namespace lib
