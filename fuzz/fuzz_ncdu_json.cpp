// The ncdu JSON reader. A file it accepts, written back as ncdu JSON and read
// again, must give the same file.
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
  TMemorySource(const uint8_t* data, size_t size) : Data_(data), Size_(size) {}
  size_t Read(void* target, size_t n) override {
    // Small pieces, so every string and number also crosses a buffer boundary.
    n = std::min({n, Size_ - At_, size_t{7}});
    std::memcpy(target, Data_ + At_, n);
    At_ += n;
    return n;
  }
  const std::string& Error() const override { return Error_; }

 private:
  const uint8_t* Data_;
  size_t Size_, At_ = 0;
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
  TTree first;
  TMemorySource source(data, size);
  if (!kv::ReadNcduJson(first.Tree, source).empty()) return 0;
  const std::string once = kv::fuzz::ScratchPath("once.json");
  const std::string twice = kv::fuzz::ScratchPath("twice.json");
  if (!kv::WriteNcduJson(first.Tree, once)) return 0;  // no single root
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
