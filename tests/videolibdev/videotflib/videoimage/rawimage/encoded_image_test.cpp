#include "videoimage/rawimage/encoded_image.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

namespace {

using namespace rawDecoderTmp;

template <class Row>
typename EncodedImageMemory<Row>::Plane plane(typename Row::Byte* data, int stride, int height,
                                              bool bottomUp, int bitDepth = 8) {
  typename EncodedImageMemory<Row>::Plane p;
  p.data = data;
  p.stride = stride;
  p.width = 3;
  p.height = height;
  p.bitDepth = bitDepth;
  p.bottomUp = bottomUp;
  return p;
}

TEST(EncodedPlane, RowsRunTopDownOrBottomUp) {
  std::vector<uint8_t> memory(4 * 16);
  uint8_t* data = memory.data();
  const struct {
    bool bottomUp;
    int y;
    std::ptrdiff_t offset;
  } rows[] = {{false, 0, 0}, {false, 3, 48}, {true, 0, 48}, {true, 3, 0}, {true, 1, 32}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.y);
    const auto p = plane<U8>(data, 16, 4, row.bottomUp, 8);
    const U8 r = p.row(row.y);
    EXPECT_EQ(r.data - data, row.offset);
    EXPECT_EQ(r.size, 3) << "a byte row covers its samples, not the padding after them";
    EXPECT_EQ(r.bitDepth, 8);
  }
  // A negative stride walks backwards from the first stored row.
  const auto flipped = plane<rows::ConstTEncodedRow<rows::SampleInfo<unsigned short>, 2>>(
      data + 48, -16, 4, false, 16);
  EXPECT_EQ(flipped.row(3).data, data);
  EXPECT_EQ(flipped.row(3).size, 6);
}

TEST(EncodedPlane, BitPackedRowsStartOnTheirFirstBitWithNothingUnpacked) {
  std::vector<uint8_t> memory(3 * 8, 0xFF);
  const auto readPlane = plane<RowTraits<PU16>::ConstRow>(memory.data(), 8, 3, true, 10);
  const auto r = readPlane.row(0);
  EXPECT_EQ(r.data, memory.data() + 16);
  EXPECT_EQ(r.bits, 10);
  EXPECT_EQ(r.size, 4);  // three 10-bit samples
  EXPECT_EQ(r.packIdx, 0);
  EXPECT_EQ(r.packSize, 0);

  const auto writePlane = plane<PU8>(memory.data(), 8, 3, false, 3);
  const PU8 w = writePlane.row(2);
  EXPECT_EQ(w.data, memory.data() + 16);
  EXPECT_EQ(w.bits, 3);
  EXPECT_EQ(w.freeBits, 8);
}

TEST(EncodedPlane, RowOffsetsBeyond2GiBDoNotWrap) {
  // Only the address is computed; nothing is read.
  std::vector<uint8_t> memory(16);
  const auto p = plane<RowTraits<U8>::ConstRow>(memory.data(), 65536, 40000, true);
  EXPECT_EQ(p.row(0).data - memory.data(), std::ptrdiff_t{39999} * 65536);
}

TEST(EncodedImage, HoldsCopiesOfItsPlaneRecords) {
  std::vector<uint8_t> memory(64);
  std::vector<EncodedImageMemory<F32>::Plane> planes = {plane<F32>(memory.data(), 16, 2, false),
                                                        plane<F32>(memory.data() + 32, 8, 4, true)};
  const EncodedImageMemory<F32> image(planes);
  planes[1].stride = 99;
  const EncodedImageBase<F32>& base = image;
  ASSERT_EQ(base.getPlanes(), 2);
  EXPECT_EQ(base.getPlane(1).getStride(), 8);
  EXPECT_EQ(base.getPlane(1).getHeight(), 4);
  EXPECT_EQ(base.getPlane(1).getWidth(), 3);
  EXPECT_EQ(base.getPlane(1).row(0).data, memory.data() + 32 + 24);
  EXPECT_EQ(EncodedImageMemory<U8>({}).getPlanes(), 0);
}

TEST(RowTypes, EachFilesUnderItsSampleTypePackingAndByteOrder) {
  EXPECT_EQ(RowTraits<U8>::sampleType, SampleType::Int8);
  EXPECT_EQ(RowTraits<PU8>::packed, true);
  EXPECT_EQ(RowTraits<U16LE>::byteOrder, ByteOrder::LE);
  EXPECT_EQ(RowTraits<U16BE>::byteOrder, ByteOrder::BE);
  EXPECT_EQ(RowTraits<PU16>::sampleType, SampleType::Int16);
  EXPECT_EQ(RowTraits<F32>::sampleType, SampleType::Float32);
  // Row bytes of n samples.
  EXPECT_EQ(RowTraits<U8>::rowBytes(3, 12), 3);
  EXPECT_EQ(RowTraits<U16BE>::rowBytes(3, 10), 6);
  EXPECT_EQ(RowTraits<F32>::rowBytes(3, 32), 12);
  EXPECT_EQ(RowTraits<PU16>::rowBytes(3, 10), 4);
  EXPECT_EQ(RowTraits<PU8>::rowBytes(10, 1), 2);
  EXPECT_EQ(RowTraits<PU8>::rowBytes(8, 3), 3);
}

}  // namespace
