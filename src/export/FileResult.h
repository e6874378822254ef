// The outcome of any file write or read, as the file layer reports it.
#pragma once

#include <string>
#include <utility>

namespace kv {

// Outcome of a file operation. Failures carry the file layer's own message,
// one line, naming the file.
struct TFileResult {
  bool Ok = true;
  std::string Message;
  // Set where the window words the failure itself: a text id whose "%s"
  // stands for the file name.
  const char* TextId = nullptr;
  std::string FileName;

  explicit operator bool() const { return Ok; }
  static TFileResult Failure(std::string message) { return {false, std::move(message), nullptr, {}}; }
  static TFileResult Failure(std::string message, const char* textId, std::string fileName) {
    return {false, std::move(message), textId, std::move(fileName)};
  }
};

}  // namespace kv
