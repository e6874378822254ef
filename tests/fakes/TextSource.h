// A text read back as a byte source, at most `piece` bytes a read, as a pipe
// may deliver it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/CompressedInput.h"

namespace kv {

class TTextSource final : public IByteSource {
 public:
  explicit TTextSource(std::string text, size_t piece = SIZE_MAX) : Text_(std::move(text)), Piece_(piece) {}
  size_t Read(void* target, size_t n) override {
    n = std::min({n, Piece_, Text_.size() - At_});
    std::memcpy(target, Text_.data() + At_, n);
    At_ += n;
    return n;
  }
  const std::string& Error() const override { return Error_; }

 private:
  std::string Text_;
  size_t Piece_;
  size_t At_ = 0;
  std::string Error_;
};

}  // namespace kv
