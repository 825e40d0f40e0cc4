// The universal converter between arbitrary headers (any layout, order, sample type, packing,
// byte order, bit depth, row direction and a small size, known to the registry or not) over
// arbitrary pixels: nothing crashes or asserts; a conversion either fails on both roads or gives
// the same bytes band by band as over the whole picture; the sample and matrix converters alone
// refuse what they cannot serve.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "videoimage/rawimage/raw_converter.h"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  int next(int modulo) {
    if (at_ >= size_) return 0;
    return data_[at_++] % modulo;
  }
  // The rest, repeated to fill n bytes.
  void fill(uint8_t* out, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = at_ < size_ ? data_[at_ + i % (size_ - at_)] : 0;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

RawFormatSpec specFrom(Input& in) {
  const RawFormat format(
      static_cast<ChromaLayout>(in.next(11)), static_cast<ComponentOrder>(in.next(18)),
      static_cast<SampleType>(in.next(4)), in.next(4) == 0, static_cast<ByteOrder>(in.next(3)));
  static const int kDepths[] = {0, 1, 3, 8, 9, 10, 12, 14, 16, 32};
  return RawFormatSpec(format, kDepths[in.next(10)], in.next(3) == 0);
}

std::vector<uint8_t> bytesOf(const ConstRawFrame& frame) {
  std::vector<uint8_t> all;
  for (int p = 0; p < frame.planeCount(); ++p) {
    for (int y = 0; y < frame.header.planeHeight(p); ++y) {
      const uint8_t* row = frame.row(p, y);
      all.insert(all.end(), row, row + frame.header.reader->rowBytes(p));
    }
  }
  return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  const RawFormatSpec from = specFrom(in);
  const RawFormatSpec to = specFrom(in);
  const int width = in.next(40);
  const int height = in.next(24);
  const int bandRows = in.next(12);

  RawImageInfo info(from, width, height);
  info.bindReader();
  RawImage source(info);
  if (source.allocate()) {
    for (int p = 0; p < source.planeCount(); ++p) {
      for (int y = 0; y < info.planeHeight(p); ++y) {
        in.fill(source.row(p, y), static_cast<size_t>(source.planeStride(p)));
      }
    }
  }

  rawImageConverters::UniversalConverter whole(info, to);
  rawImageConverters::UniversalConverter banded(info, to);
  banded.setBandRows(bandRows);
  RawImage a(whole.outputInfo(info));
  RawImage b(banded.outputInfo(info));
  const bool allocated = a.allocate() && b.allocate();
  const bool wholeDone = whole.convertWhole(source, a);
  const bool bandsDone = banded.convertInto(source, b);
  if (wholeDone != bandsDone) fail("the two roads disagree on success");
  if (wholeDone && !allocated) fail("converted into an image without planes");
  if (wholeDone && bytesOf(a) != bytesOf(b)) fail("bands differ from the whole picture");
  // Once more through the same converter, with its images kept.
  if (bandsDone && (!banded.convertInto(source, b) || bytesOf(a) != bytesOf(b))) {
    fail("a second frame converts differently");
  }
  RawImage single = convertRawFrame(source, to);
  if (single.empty() == wholeDone && allocated) fail("the one-call entry disagrees");

  // The sample step and the matrix alone, with members of their own.
  // A byte order on a float side is a programming error, not an input.
  const int srcType = in.next(4);
  const int srcBits = in.next(18);
  const int srcOrder = srcType == 2 ? 1 : in.next(3);
  const int dstType = in.next(4);
  const int dstBits = in.next(18);
  const int dstOrder = dstType == 2 ? 1 : in.next(3);
  rawImageConverters::BpsConverter bps(srcType, srcBits, srcOrder, dstType, dstBits, dstOrder);
  RawImage samples;
  bps.convert(source, samples);
  const float matrix[9] = {1.5f, -0.25f, 0.0f, 0.0f, 1.0f, 0.5f, 2.0f, 0.0f, -1.0f};
  const float offsets[3] = {16.0f, 128.0f, -20.0f};
  rawImageConverters::MatrixConverter colours(matrix, offsets, in.next(3), in.next(4), in.next(18));
  RawImage coloured;
  colours.convert(source, coloured);
  return 0;
}
