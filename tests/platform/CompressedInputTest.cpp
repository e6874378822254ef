#include "platform/CompressedInput.h"

#include <gtest/gtest.h>
#include <zlib.h>
#include <zstd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"

namespace kv {
namespace {

std::string Gzip(const std::string& plain) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string packed(deflateBound(&z, static_cast<uLong>(plain.size())) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
  z.avail_in = static_cast<uInt>(plain.size());
  z.next_out = reinterpret_cast<Bytef*>(packed.data());
  z.avail_out = static_cast<uInt>(packed.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  packed.resize(z.total_out);
  deflateEnd(&z);
  return packed;
}

std::string Zstd(const std::string& plain) {
  std::string packed(ZSTD_compressBound(plain.size()), '\0');
  const size_t n = ZSTD_compress(packed.data(), packed.size(), plain.data(), plain.size(), 3);
  EXPECT_FALSE(ZSTD_isError(n));
  packed.resize(n);
  return packed;
}

// Text that compresses but still spans several of the reader's raw buffers.
std::string Sample(int seed, size_t size) {
  std::string text;
  uint32_t x = static_cast<uint32_t>(seed) * 2654435761u + 1;
  while (text.size() < size) {
    x = x * 1664525u + 1013904223u;
    text += "entry " + std::to_string(x % 100000) + (x & 0x100 ? '\n' : '\0');
  }
  text.resize(size);
  return text;
}

struct TReadBack {
  std::string Bytes;
  std::string Error;
  TCompression Kind = TCompression::None;
};

TReadBack ReadThrough(const std::filesystem::path& file, uint64_t limit, size_t piece) {
  TOpenedInput opened = OpenCompressedInput(test::Utf8(file), limit);
  TReadBack back;
  if (!opened.Input) {
    back.Error = "not opened";
    return back;
  }
  back.Kind = opened.Input->Compression();
  std::vector<char> buffer(piece);
  while (size_t got = opened.Input->Read(buffer.data(), buffer.size())) back.Bytes.append(buffer.data(), got);
  back.Error = opened.Input->Error();
  return back;
}

class CompressedInputTest : public ::testing::Test {
 protected:
  ~CompressedInputTest() override { std::filesystem::remove_all(Folder); }
  std::filesystem::path Folder = test::MakeTempFolder("kestrove-compressed");
};

TEST_F(CompressedInputTest, GzipAndZstdReadAsThePlainBytesInAnyPieceSize) {
  using TPack = std::string (*)(const std::string&);
  struct TCase {
    const char* Name;
    TPack Pack;
    TCompression Kind;
  };
  const std::string first = Sample(1, 300000), second = Sample(2, 1000);
  for (const TCase& c : {TCase{"gzip", Gzip, TCompression::Gzip}, TCase{"zstd", Zstd, TCompression::Zstd}}) {
    // Two members or frames in a row read as one stream.
    const std::filesystem::path file = Folder / (std::string(c.Name) + ".bin");
    test::WriteAll(file, c.Pack(first) + c.Pack(second));
    for (size_t piece : {size_t{1} << 20, size_t{7}}) {
      const TReadBack back = ReadThrough(file, ResultFileLimit, piece);
      EXPECT_EQ(back.Kind, c.Kind) << c.Name;
      EXPECT_EQ(back.Error, "") << c.Name;
      EXPECT_TRUE(back.Bytes == first + second) << c.Name << " in pieces of " << piece;
    }
  }
}

TEST_F(CompressedInputTest, CutDamagedAndOversizedStreamsAreRefusedWithTheReason) {
  using TPack = std::string (*)(const std::string&);
  const std::string plain = Sample(3, 200000);
  struct TCase {
    const char* Name;
    TPack Pack;
    std::string (*Spoil)(std::string);
    uint64_t Limit;
    const char* Error;
  };
  auto cut = [](std::string s) { return s.substr(0, s.size() / 2); };
  auto damage = [](std::string s) {
    for (size_t i = s.size() / 3; i < s.size() / 3 + 64; ++i) s[i] = static_cast<char>(s[i] ^ 0x5A);
    return s;
  };
  auto keep = [](std::string s) { return s; };
  const TCase cases[] = {
      {"gzip cut", Gzip, cut, ResultFileLimit, "the gzip data ends early"},
      {"zstd cut", Zstd, cut, ResultFileLimit, "the zstd data ends early"},
      {"gzip damaged", Gzip, damage, ResultFileLimit, "the gzip data is damaged"},
      {"zstd damaged", Zstd, damage, ResultFileLimit, "the zstd data is damaged"},
      {"gzip over the limit", Gzip, keep, 150000, "the data is larger than the limit"},
      {"zstd over the limit", Zstd, keep, 150000, "the data is larger than the limit"},
  };
  for (const TCase& c : cases) {
    const std::filesystem::path file = Folder / "spoilt.bin";
    test::WriteAll(file, c.Spoil(c.Pack(plain)));
    const TReadBack back = ReadThrough(file, c.Limit, 4096);
    EXPECT_EQ(back.Error.substr(0, std::string(c.Error).size()), c.Error) << c.Name << ": " << back.Error;
    EXPECT_LT(back.Bytes.size(), plain.size()) << c.Name;
    // What came out before a cut or the limit is the true start of the data.
    if (std::string(c.Name).find("damaged") == std::string::npos) {
      EXPECT_TRUE(back.Bytes == plain.substr(0, back.Bytes.size())) << c.Name;
    }
  }
}

TEST_F(CompressedInputTest, PlainFilesPassThroughWithTheirSizeKnown) {
  for (const std::string& plain : {std::string(), std::string("\x1F"), std::string("[1,2,{}]"), Sample(4, 70000)}) {
    const std::filesystem::path file = Folder / "plain.bin";
    test::WriteAll(file, plain);
    TOpenedInput opened = OpenCompressedInput(test::Utf8(file), ResultFileLimit);
    ASSERT_TRUE(opened.Input);
    ASSERT_TRUE(opened.PlainSize.has_value());
    EXPECT_EQ(*opened.PlainSize, plain.size());
    const TReadBack back = ReadThrough(file, ResultFileLimit, 1000);
    EXPECT_EQ(back.Kind, TCompression::None);
    EXPECT_TRUE(back.Bytes == plain);
  }
  // A plain file over the limit is refused before anything is read.
  test::WriteAll(Folder / "big.bin", Sample(5, 5000));
  EXPECT_EQ(OpenCompressedInput(test::Utf8(Folder / "big.bin"), 4000).Fault, TInputFault::TooLarge);
}

}  // namespace
}  // namespace kv
