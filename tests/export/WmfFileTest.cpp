#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <iterator>
#include <string>

#include "export/WmfFile.h"
#include "fakes/TempFolder.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

uint32_t Word(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b.at(at)) | (static_cast<uint32_t>(static_cast<uint8_t>(b.at(at + 1))) << 8);
}
uint32_t DWord(const std::string& b, size_t at) { return Word(b, at) | (Word(b, at + 2) << 16); }

// Two by two: top row (1,2,3) (4,5,6), bottom row (7,8,9) (10,11,12).
TRgbImage SmallImage() { return {2, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}; }

TEST(WmfFileTest, PlaceableAndMetaHeaders) {
  const std::string b = WmfBytes(SmallImage());
  ASSERT_GE(b.size(), 40u);
  EXPECT_EQ(DWord(b, 0), 0x9AC6CDD7u);
  EXPECT_EQ(Word(b, 4), 0u);
  EXPECT_EQ(Word(b, 6), 0u);   // left
  EXPECT_EQ(Word(b, 8), 0u);   // top
  EXPECT_EQ(Word(b, 10), 30u);  // 2 pixels of 15 units
  EXPECT_EQ(Word(b, 12), 30u);
  EXPECT_EQ(Word(b, 14), 1440u);
  EXPECT_EQ(DWord(b, 16), 0u);
  uint32_t sum = 0;
  for (size_t i = 0; i < 20; i += 2) sum ^= Word(b, i);
  EXPECT_EQ(Word(b, 20), sum);
  EXPECT_NE(sum, 0u);

  EXPECT_EQ(Word(b, 22), 1u);
  EXPECT_EQ(Word(b, 24), 9u);
  EXPECT_EQ(Word(b, 26), 0x0300u);
  EXPECT_EQ(size_t{DWord(b, 28)} * 2, b.size() - 22);  // in words, without the placeable header
  EXPECT_EQ(Word(b, 32), 0u);
  EXPECT_EQ(Word(b, 38), 0u);
}

TEST(WmfFileTest, RecordsAddUpAndEndTheFile) {
  const std::string b = WmfBytes(SmallImage());
  ASSERT_FALSE(b.empty());
  const uint32_t functions[] = {0x020B, 0x020C, 0x0F43, 0x0000};
  size_t at = 22 + 18;
  uint32_t largest = 0;
  for (const uint32_t function : functions) {
    ASSERT_LT(at + 6, b.size() + 1);
    const uint32_t words = DWord(b, at);
    EXPECT_EQ(Word(b, at + 4), function);
    largest = std::max(largest, words);
    at += size_t{words} * 2;
  }
  EXPECT_EQ(at, b.size());
  EXPECT_EQ(DWord(b, 34), largest);                  // mtMaxRecord
  EXPECT_EQ(DWord(b, b.size() - 6), 3u);             // META_EOF
  EXPECT_EQ(Word(b, 40 + 6), 0u);                    // window origin y, x
  EXPECT_EQ(Word(b, 40 + 10 + 6), 30u);              // window extent y, x
  EXPECT_EQ(Word(b, 40 + 10 + 8), 30u);
}

TEST(WmfFileTest, StretchDibHoldsBottomUpPaddedRows) {
  const std::string b = WmfBytes(SmallImage());
  const size_t rec = 22 + 18 + 10 + 10;
  ASSERT_GT(b.size(), rec + 26 + 40 + 16);
  EXPECT_EQ(Word(b, rec + 4), 0x0F43u);
  EXPECT_EQ(DWord(b, rec + 6), 0x00CC0020u);  // SRCCOPY
  EXPECT_EQ(Word(b, rec + 10), 0u);           // RGB colours
  EXPECT_EQ(Word(b, rec + 12), 2u);           // source height, width, y, x
  EXPECT_EQ(Word(b, rec + 14), 2u);
  EXPECT_EQ(Word(b, rec + 16), 0u);
  EXPECT_EQ(Word(b, rec + 18), 0u);
  EXPECT_EQ(Word(b, rec + 20), 30u);          // destination height, width
  EXPECT_EQ(Word(b, rec + 22), 30u);
  const size_t dib = rec + 28;
  EXPECT_EQ(DWord(b, dib), 40u);
  EXPECT_EQ(DWord(b, dib + 4), 2u);
  EXPECT_EQ(DWord(b, dib + 8), 2u);
  EXPECT_EQ(Word(b, dib + 12), 1u);
  EXPECT_EQ(Word(b, dib + 14), 24u);
  EXPECT_EQ(DWord(b, dib + 16), 0u);
  EXPECT_EQ(DWord(b, dib + 20), 16u);  // two rows of 6 bytes padded to 8
  const std::string pixels = b.substr(dib + 40, 16);
  EXPECT_EQ(pixels, std::string("\x09\x08\x07\x0C\x0B\x0A\x00\x00\x03\x02\x01\x06\x05\x04\x00\x00", 16));
  EXPECT_EQ(DWord(b, rec), (28 + 40 + 16) / 2u);
}

TEST(WmfFileTest, LargePicturesKeepTheBoxIn16Bits) {
  TRgbImage wide{3000, 1, std::vector<uint8_t>(9000, 255)};
  const std::string b = WmfBytes(wide);
  ASSERT_FALSE(b.empty());
  EXPECT_LE(Word(b, 10), 32767u);
  EXPECT_GT(Word(b, 10), 30000u);
  EXPECT_EQ(Word(b, 12), 10u);
  EXPECT_TRUE(WmfBytes({0, 0, {}}).empty());
  EXPECT_TRUE(WmfBytes({2, 2, {1, 2, 3}}).empty());
}

TEST(WmfFileTest, WritesTheFileOrTellsWhy) {
  const fs::path dir = test::MakeTempFolder("kestrove-wmf");
  const std::string path = (dir / "chart.wmf").string();
  ASSERT_TRUE(WriteWmfFile(SmallImage(), path).Ok);
  {
    // Closed before the folder goes: Windows keeps open files from being removed.
    std::ifstream in(path, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, WmfBytes(SmallImage()));
  }

  const std::string missing = (dir / "no such folder" / "c.wmf").string();
  const TFileResult failed = WriteWmfFile(SmallImage(), missing);
  EXPECT_FALSE(failed.Ok);
  EXPECT_EQ(failed.Message.rfind("Cannot create file \"" + missing + "\": ", 0), 0u) << failed.Message;
  fs::remove_all(dir);
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no device that refuses writes";
  const TFileResult full = WriteWmfFile(SmallImage(), "/dev/full");
  EXPECT_FALSE(full.Ok);
  EXPECT_EQ(full.Message.rfind("Write error on \"/dev/full\": ", 0), 0u) << full.Message;
}

}  // namespace
}  // namespace kv
