// The ncdu JSON reader. It streams (scans over SSH feed it a pipe), so the input
// read in pieces whose lengths the input's own bytes choose must give what one
// whole read gives: the same refusal, or the same tree. A file it accepts,
// written back as ncdu JSON and read again, must give the same file.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "FuzzFile.h"
#include "export/NcduExport.h"
#include "export/ResultFile.h"
#include "fakes/FakePlatform.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "scan/NcduTree.h"

namespace {

// The metadata line carries the time of writing.
std::string Body(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return text.substr(std::min(text.size(), text.find('\n')));
}

class TMemorySource final : public kv::IByteSource {
 public:
  // pieces: read lengths of 1 to 16 bytes picked by the data, so strings and
  // numbers cross the reader's buffer edges at points the fuzzer moves.
  TMemorySource(const uint8_t* data, size_t size, bool pieces) : Data_(data), Size_(size), Pieces_(pieces) {}
  size_t Read(void* target, size_t n) override {
    if (Pieces_) {
      n = std::min(n, size_t{1} + (Data_[(Reads_ * 31) % Size_] ^ Reads_) % 16);
      ++Reads_;
    }
    n = std::min(n, Size_ - At_);
    std::memcpy(target, Data_ + At_, n);
    At_ += n;
    return n;
  }
  const std::string& Error() const override { return Error_; }

 private:
  const uint8_t* Data_;
  size_t Size_, At_ = 0;
  bool Pieces_;
  size_t Reads_ = 0;
  std::string Error_;
};

struct TTree {
  TTree() : Services(Fake.Platform(), kv::TPathStyle::Posix), Tree(Services, *Fake.Locale) {}
  kv::test::FakePlatform Fake;
  kv::TFileServices Services;
  kv::TSizeTree Tree;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  TTree whole, first;
  TMemorySource all(data, size, false), pieces(data, size, true);
  const std::string wholeError = kv::ReadNcduJson(whole.Tree, all);
  const std::string pieceError = kv::ReadNcduJson(first.Tree, pieces);
  if (wholeError != pieceError) {
    std::fprintf(stderr, "one read: '%s', reads in pieces: '%s'\n", wholeError.c_str(), pieceError.c_str());
    std::abort();
  }
  if (!pieceError.empty()) return 0;
  const std::string once = kv::fuzz::ScratchPath("once.json");
  const std::string twice = kv::fuzz::ScratchPath("twice.json");
  const std::string unsplit = kv::fuzz::ScratchPath("unsplit.json");
  const bool written = static_cast<bool>(kv::WriteNcduJson(first.Tree, once));
  if (written != static_cast<bool>(kv::WriteNcduJson(whole.Tree, unsplit)) || (written && Body(once) != Body(unsplit))) {
    std::fprintf(stderr, "reads in pieces gave another tree than one read\n");
    std::abort();
  }
  if (!written) return 0;  // no single root
  TTree second;
  const kv::TFileResult again = kv::ReadResultFile(second.Tree, once);
  if (!again) {
    std::fprintf(stderr, "a written file does not read back: %s\n", again.Message.c_str());
    std::abort();
  }
  if (!kv::WriteNcduJson(second.Tree, twice) || Body(once) != Body(twice)) {
    std::fprintf(stderr, "a round trip changed the file\n");
    std::abort();
  }
  return 0;
}
