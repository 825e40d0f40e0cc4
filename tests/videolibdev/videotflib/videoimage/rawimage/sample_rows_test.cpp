// Sample rows: byte rows in their byte order, bit-packed rows most significant bit first, the
// positioning of a row at a sample, and the reader's random access to the samples of one row.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "support/assert_guard.h"
#include "videoimage/rawimage/converter_impl.h"
#include "videolibdev/videotflib/videoimage/rawimage/raw_fixtures.h"

namespace {

using namespace rawDecoderTmp;
using namespace rawimage_test;
using vixo_test::assertionText;
using ConstU16BE = RowTraits<U16BE>::ConstRow;
using ConstU16LE = RowTraits<U16LE>::ConstRow;
using ConstPU8 = RowTraits<PU8>::ConstRow;
using ConstPU16 = RowTraits<PU16>::ConstRow;

TEST(ByteRows, SixteenBitSamplesFollowTheRowsByteOrder) {
  const uint8_t stored[] = {0x12, 0x34};
  uint16_t v = 0;
  ConstU16BE be(stored, 2, 16);
  be.read(&v, 1);
  EXPECT_EQ(v, 0x1234);
  EXPECT_EQ(be.size, 0);
  ConstU16LE le(stored, 2, 16);
  le.read(&v, 1);
  EXPECT_EQ(v, 0x3412);

  uint8_t out[2] = {};
  const uint16_t value = 0x1234;
  U16BE(out, 2, 16).write(&value, 1);
  EXPECT_EQ(out[0], 0x12);
  EXPECT_EQ(out[1], 0x34);
  U16LE(out, 2, 16).write(&value, 1);
  EXPECT_EQ(out[0], 0x34);
  EXPECT_EQ(out[1], 0x12);
}

TEST(ByteRows, ARowRefusesMoreSamplesThanItHolds) {
  uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
  uint16_t samples[4] = {};
  ConstU16LE row(bytes, 6, 16);
  row.read(samples, 0);  // nothing, and the row does not move
  EXPECT_EQ(row.data, bytes);
  row.read(samples, 3);  // exactly what it holds
  EXPECT_EQ(row.size, 0);
  EXPECT_EQ(assertionText([&] { ConstU16LE(bytes, 5, 16).read(samples, 3); }),
            "size >= len * (int)sizeof(T)");
  EXPECT_EQ(assertionText([&] { U16BE(bytes, 5, 16).write(samples, 3); }),
            "size >= len * (int)sizeof(T)");
  EXPECT_EQ(assertionText([&] { U8(bytes, 2, 8).take(3); }), "size >= len * (int)sizeof(T)");
}

TEST(BitPackedRows, UnpackMostSignificantBitFirstEightSamplesPerRefill) {
  const uint8_t oneBit[] = {0xA0};
  ConstPU8 r1(oneBit, 1, 1);
  std::vector<int> got;
  for (int i = 0; i < 8; ++i) got.push_back(r1.next());
  EXPECT_EQ(got, (std::vector<int>{1, 0, 1, 0, 0, 0, 0, 0}));

  // Three 10-bit samples in four bytes: a9..a2 | a1 a0 b9..b4 | b3..b0 c9..c6 | c5..c0 0 0.
  const uint16_t a = 0x2D5, b = 0x13A, c = 0x3C7;
  uint8_t packed[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  PU16 w(packed, 4, 10);
  const uint16_t values[] = {a, b, c};
  w.write(values, 3);
  EXPECT_EQ(packed[0], a >> 2);
  EXPECT_EQ(packed[1], ((a & 3) << 6) | (b >> 4));
  EXPECT_EQ(packed[2], ((b & 15) << 4) | (c >> 6));
  EXPECT_EQ(packed[3], (c & 63) << 2) << "the bits after the last sample are cleared";
  ConstPU16 r(packed, 4, 10);
  EXPECT_EQ(r.next(), a);
  EXPECT_EQ(r.next(), b);
  EXPECT_EQ(r.next(), c);

  // 8-bit samples bit-packed are plain bytes.
  const uint8_t bytes[] = {7, 200, 13};
  ConstPU8 r8(bytes, 3, 8);
  EXPECT_EQ(r8.next(), 7);
  EXPECT_EQ(r8.next(), 200);
  EXPECT_EQ(r8.next(), 13);
}

TEST(BitPackedRows, TheEndOfARowYieldsItsWholeSamplesThenAsserts) {
  const uint8_t bytes[] = {0xFF, 0xFF, 0xFF};
  ConstPU16 row(bytes, 3, 10);  // 24 bits: two whole 10-bit samples
  EXPECT_EQ(row.next(), 0x3FF);
  EXPECT_EQ(row.packSize, 2);
  EXPECT_EQ(row.next(), 0x3FF);
  EXPECT_EQ(assertionText([&] { row.next(); }), "packIdx < packSize");
  // A depth the row type cannot hold unpacks nothing.
  ConstPU8 tooDeep(bytes, 3, 9);
  EXPECT_EQ(assertionText([&] { tooDeep.next(); }), "packIdx < packSize");
}

TEST(BitPackedRows, WritesReplaceTheBitsFromTheirPositionOnAndNeverSpill) {
  uint8_t byte[2] = {0xFF, 0xFF};
  PU8 row(byte, 2, 3);
  row.put(0);
  EXPECT_EQ(byte[0], 0x00) << "the low bits after the sample are cleared";
  row.put(0xFF);  // only the low 3 bits are stored
  EXPECT_EQ(byte[0], 0x1C);
  EXPECT_EQ(row.freeBits, 2);
  row.put(5);  // straddles into the second byte
  EXPECT_EQ(byte[0], 0x1E);
  EXPECT_EQ(byte[1], 0x80);
  EXPECT_EQ(row.freeBits, 7);
}

TEST(BitPackedRows, PositioningSkipsWholeGroupsOfEightByBytes) {
  uint8_t bytes[6] = {};
  for (int i = 0; i < 6; ++i) bytes[i] = static_cast<uint8_t>(0x5A + 31 * i);
  ConstPU8 at5(bytes, 6, 3);
  at5.skipSamples(5);
  EXPECT_EQ(at5.data, bytes + 3) << "one refill of three bytes";
  EXPECT_EQ(at5.packIdx, 5);
  ConstPU8 at8(bytes, 6, 3);
  at8.skipSamples(8);
  EXPECT_EQ(at8.data, bytes + 3);
  EXPECT_EQ(at8.packSize, 0);
  EXPECT_EQ(at8.size, 3);

  // A write row moves its bit position without touching memory.
  uint8_t wide[16] = {};
  PU16 w(wide, 16, 10);
  w.skipSamples(11);  // 8 samples = 10 bytes; 3 more = 30 bits
  EXPECT_EQ(w.data, wide + 10 + 3);
  EXPECT_EQ(w.freeBits, 2);
}

std::shared_ptr<ReaderInterface> rowReader(RawFormat format, int bitDepth) {
  return bound(RawFormatSpec(format, bitDepth, false), 64, 1).reader;
}

TEST(RandomAccessSamples, ReadAndWriteAsTheRowTypeStoresThem) {
  const auto be =
      rowReader({ChromaLayout::Y, ComponentOrder::Y, SampleType::Int16, false, ByteOrder::BE}, 16);
  uint8_t bytes[4] = {0x01, 0x02, 0x03, 0x04};
  uint16_t v = 0;
  be->readSamples(bytes, 1, &v, 1);
  EXPECT_EQ(v, 0x0304);
  v = 0x0102;
  be->writeSamples(bytes, 1, &v, 1);
  EXPECT_EQ(bytes[2], 0x01);
  EXPECT_EQ(bytes[3], 0x02);

  const auto nibbles = rowReader(
      {ChromaLayout::Y, ComponentOrder::Y, SampleType::Int8, true, ByteOrder::Default}, 4);
  uint8_t byte = 0xAB;
  const uint8_t five = 5;
  nibbles->writeSamples(&byte, 1, &five, 1);
  EXPECT_EQ(byte, 0xA5);
  nibbles->writeSamples(&byte, 0, &five, 1);
  EXPECT_EQ(byte, 0x55);
}

// Random writes of bit-packed samples, at every depth, change exactly the bits of the samples
// written; the row they get is exactly as long as those samples need, so that a read or write
// past it is caught.
template <class T>
void checkRandomAccess(SampleType type, int maxDepth) {
  std::mt19937 random(7);
  for (int depth = 1; depth <= maxDepth; ++depth) {
    SCOPED_TRACE(depth);
    const auto reader =
        rowReader({ChromaLayout::Y, ComponentOrder::Y, type, true, ByteOrder::Default}, depth);
    ASSERT_TRUE(reader);
    for (int round = 0; round < 40; ++round) {
      const int start = static_cast<int>(random() % 40);
      const int count = 1 + static_cast<int>(random() % 20);
      const int bytes = ((start + count) * depth + 7) / 8;
      std::vector<uint8_t> row(static_cast<size_t>(bytes));
      for (auto& b : row) b = static_cast<uint8_t>(random());
      const std::vector<uint8_t> before = row;
      std::vector<T> values(static_cast<size_t>(count));
      for (auto& v : values) v = static_cast<T>(random() & ((1u << depth) - 1));
      reader->writeSamples(row.data(), start, values.data(), count);

      std::vector<T> back(static_cast<size_t>(count));
      reader->readSamples(row.data(), start, back.data(), count);
      ASSERT_EQ(back, values);
      // Every bit outside the samples written is as it was.
      for (int bit = 0; bit < 8 * bytes; ++bit) {
        if (bit >= start * depth && bit < (start + count) * depth) continue;
        const int mask = 0x80 >> (bit % 8);
        ASSERT_EQ(row[bit / 8] & mask, before[bit / 8] & mask) << "bit " << bit;
      }
    }
  }
}

TEST(RandomAccessSamples, BitPackedWritesKeepTheirNeighbours) {
  checkRandomAccess<uint8_t>(SampleType::Int8, 8);
  checkRandomAccess<uint16_t>(SampleType::Int16, 16);
}

TEST(RandomAccessSamples, BitPackedReadersExistOnlyForDepthsTheirSamplesHold) {
  const RawFormat packed8(ChromaLayout::Y, ComponentOrder::Y, SampleType::Int8, true,
                          ByteOrder::Default);
  const RawFormat packed16(ChromaLayout::Y, ComponentOrder::Y, SampleType::Int16, true,
                           ByteOrder::Default);
  EXPECT_FALSE(rowReader(packed8, 0));
  EXPECT_FALSE(rowReader(packed8, 9));
  EXPECT_TRUE(rowReader(packed8, 8));
  EXPECT_FALSE(rowReader(packed16, 17));
  EXPECT_TRUE(rowReader(packed16, 16));
}

}  // namespace
