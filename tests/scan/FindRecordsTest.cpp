// find's records as the far side of a scan over SSH writes them: one find over
// the whole tree, or the top folder's record followed by finds over parts of
// its entries, must give the same entries wherever the reads split.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "fakes/TextSource.h"
#include "scan/SshScan.h"

namespace kv {
namespace {

// Every entry as "path type size", so that the order of siblings does not matter.
class TPathSink final : public INcduSink {
 public:
  std::string Folder(const TNcduEntry& e) override {
    Open_.push_back(Open_.empty() ? e.Name : Open_.back() + "/" + e.Name);
    Entries.insert(Open_.back() + " d " + std::to_string(e.ASize));
    return {};
  }
  std::string File(const TNcduEntry& e) override {
    Entries.insert((Open_.empty() ? "?" : Open_.back()) + "/" + e.Name + (e.NotRegular ? " l " : " f ") +
                   std::to_string(e.ASize));
    return {};
  }
  void EndFolder() override { Open_.pop_back(); }
  std::set<std::string> Entries;

 private:
  std::vector<std::string> Open_;
};

struct TNode {
  std::string Name;
  char Type;
  int Size;
  std::vector<TNode> Children;
};

std::string Record(const TNode& n, int depth) {
  std::string r = std::string(1, n.Type) + " 644 " + std::to_string(n.Size) + " 8 2049 77 1 1000 1700000000.5 " +
                  std::to_string(depth);
  return r + '\0' + n.Name + '\0';
}
void Walk(const TNode& n, int depth, std::string& out, std::set<std::string>& expected, const std::string& parent) {
  out += Record(n, depth);
  const std::string path = parent.empty() ? "/top" : parent + "/" + n.Name;
  expected.insert(path + " " + n.Type + " " + std::to_string(n.Size));
  for (const TNode& c : n.Children) Walk(c, depth + 1, out, expected, path);
}

const TNode Tree{"top", 'd', 4096, {
    {"a", 'd', 4096, {{"x", 'f', 10, {}}, {"deep", 'd', 4096, {{"y", 'f', 20, {}}}}}},
    {"new\nline", 'f', 30, {}},
    {"b", 'd', 4096, {{"z", 'l', 5, {}}, {"empty", 'd', 4096, {}}}},
    {"raw\xff", 'f', 40, {}},
    {"c", 'd', 4096, {{"w", 'f', 50, {}}}},
}};

TEST(FindRecords, PartsGiveTheEntriesOfOneFindWhereverReadsSplit) {
  std::string whole;
  std::set<std::string> expected;
  Walk(Tree, 0, whole, expected, "");
  for (const size_t parts : {1u, 2u, 3u, 5u}) {
    // Dealt round-robin and joined part after part, as the far side does.
    std::string split = Record(Tree, 0);
    std::set<std::string> unused;
    for (size_t k = 0; k < parts; ++k)
      for (size_t i = k; i < Tree.Children.size(); i += parts) Walk(Tree.Children[i], 0, split, unused, "/top");
    for (const size_t piece : {size_t{1}, size_t{7}, split.size()}) {
      for (const bool useParts : {false, true}) {
        TTextSource source(useParts ? split : whole, piece);
        TPathSink sink;
        EXPECT_EQ(ParseFindRecords(source, sink, "/top", useParts), "") << parts << " parts, pieces of " << piece;
        EXPECT_EQ(sink.Entries, expected) << parts << " parts, pieces of " << piece << (useParts ? ", parts" : "");
      }
    }
  }
}

TEST(FindRecords, StreamsThatCannotBeATreeAreRefused) {
  const TNode file{"f", 'f', 1, {}};
  const TNode folder{"d", 'd', 4096, {}};
  struct TCase {
    const char* What;
    std::string Text;
    bool Parts;
    const char* Reason;
  };
  const TCase cases[] = {
      {"nothing", "", true, "find wrote nothing"},
      {"a file at the top", Record(file, 0), true, "out of order"},
      {"a part's depth skips a level", Record(folder, 0) + Record(folder, 0) + Record(file, 2), true, "out of order"},
      {"a second top in one find", Record(folder, 0) + Record(file, 1) + Record(folder, 0), false, "out of order"},
      {"cut inside a record", (Record(folder, 0) + Record(file, 0)).substr(0, 40), true, "ends inside a record"},
      {"fields that are no numbers", Record(folder, 0) + "f x y z" + '\0' + "n" + '\0', true, "cannot be read"},
  };
  for (const TCase& c : cases) {
    TTextSource source(c.Text, 3);
    TPathSink sink;
    const std::string error = ParseFindRecords(source, sink, "/top", c.Parts);
    EXPECT_NE(error.find(c.Reason), std::string::npos) << c.What << ": " << error;
  }
}

}  // namespace
}  // namespace kv
