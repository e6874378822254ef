// The result file reader. A file it accepts, written back and read again,
// must give the same file: export then import never changes anything.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "FuzzFile.h"
#include "export/ResultFile.h"
#include "fakes/FakePlatform.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"

namespace {

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct TTree {
  explicit TTree(kv::TPathStyle style) : Services(Fake.Platform(), style), Tree(Services, *Fake.Locale) {
    Fake.FileSystem->ClusterSizes = {{"C:\\", 4096}, {"/", 512}};
  }
  kv::test::FakePlatform Fake;
  kv::TFileServices Services;
  kv::TSizeTree Tree;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = kv::fuzz::ScratchPath("input.kvr");
  const std::string once = kv::fuzz::ScratchPath("once.kvr");
  const std::string twice = kv::fuzz::ScratchPath("twice.kvr");
  kv::fuzz::WriteScratch(input, data, size);
  const kv::TPathStyle style = size > 0 && (data[0] & 1) ? kv::TPathStyle::Windows : kv::TPathStyle::Posix;

  TTree first(style);
  if (!kv::ReadResultFile(first.Tree, input)) return 0;
  if (!kv::WriteResultFile(first.Tree, once)) std::abort();
  TTree second(style);
  const kv::TFileResult again = kv::ReadResultFile(second.Tree, once);
  if (!again) {
    std::fprintf(stderr, "a written file does not read back: %s\n", again.Message.c_str());
    std::abort();
  }
  if (!kv::WriteResultFile(second.Tree, twice)) std::abort();
  if (Contents(once) != Contents(twice)) {
    std::fprintf(stderr, "a round trip changed the file\n");
    std::abort();
  }
  return 0;
}
