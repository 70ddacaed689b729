#pragma once
// Exceptions of the run-time layer. Messages are UTF-8 texts for the user.
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace merovix {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// A failed operating-system call: the thread's last error and the system's
// text for it.
class EWin32Error : public Exception {
 public:
  EWin32Error(std::uint32_t code, std::string_view system_text)
      : Exception(MessageFor(code, system_text)), code_(code) {}
  std::uint32_t ErrorCode() const { return code_; }
  static std::string MessageFor(std::uint32_t code, std::string_view system_text);

 private:
  std::uint32_t code_;
};

// A file that could not be created; `path` is UTF-8.
class EFCreateError : public Exception {
 public:
  explicit EFCreateError(std::string_view path);
};

}  // namespace merovix
