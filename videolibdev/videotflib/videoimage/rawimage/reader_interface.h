// The reader of one raw format at one picture size, as raw images and frames hold it.
//
// A reader is made by the format registry for a header's format, width, height and bit depth
// (RawImageInfo::bindReader), is immutable, and is shared by every copy of that header; any
// number of threads may use one reader at once, each with its own buffers.
//
// Raw planes are the caller's arrays of stored-plane pointers and byte strides, one entry per
// stored plane of the format, in its plane order; bottomUp says that their first stored row is
// the bottom row of the picture. The working image is three planes (pointers and byte strides)
// of the planar 4:4:4 image the format decodes to, samples of the row type's working sample type
// (8-bit, 16-bit little-endian or float). Every buffer must hold the sizes this reader reports.
#pragma once

#include <map>

class ReaderInterface {
 public:
  virtual ~ReaderInterface() = default;

  // Every plane reader accepts the picture width (4:2:2 packed and semi-planar chroma want an
  // even one).
  virtual bool acceptsWidth() const = 0;
  // Samples per stored row of stored plane `plane`.
  virtual int planeWidth(int plane) const = 0;
  // Stored rows of stored plane `plane`.
  virtual int planeHeight(int plane) const = 0;
  // Bytes of one stored row of `plane` (packed and rounded up to whole bytes for bit-packed
  // samples).
  virtual int rowBytes(int plane) const = 0;
  // Every working plane is a stored plane, sample for sample.
  virtual bool isDirect() const = 0;
  // For working planes 0, 1, 2: the stored plane each comes from.
  virtual void componentOrder(int out[3]) const = 0;
  // Fills `out` (cleared first) with working plane -> stored plane for the working planes that
  // are stored planes sample for sample; returns `out`.
  virtual std::map<int, int>& plainComponents(std::map<int, int>& out) const = 0;
  // Bit k set: the reader fills working plane k.
  virtual int componentMask() const = 0;
  // Whether working component `component` can be read from the stored planes.
  virtual bool hasComponent(int component) const = 0;

  // Fills the working planes that planeMask selects (bit k: plane k) from the raw planes; the
  // others are not touched.
  virtual void decode(const void* const* rawPtrs, const int* rawStrides, bool bottomUp,
                      void* const* dstPtrs, const int* dstStrides, int planeMask) const = 0;
  // Writes the raw planes from the working image. The alpha plane of a planar format with alpha
  // keeps its content; a skipped alpha sample of a packed format is written as 0.
  virtual void encode(const void* const* srcPtrs, const int* srcStrides, void* const* rawPtrs,
                      const int* rawStrides, bool bottomUp) const = 0;
  // As decode, into a working image of dstWidth x dstHeight: what the picture holds is read
  // (no more than fits), the rest is filled by replicating the last column and the last row.
  // Nothing is written when no row or no column is read.
  virtual void decodePadded(const void* const* rawPtrs, const int* rawStrides, bool bottomUp,
                            void* const* dstPtrs, const int* dstStrides, int dstWidth,
                            int dstHeight, int planeMask) const = 0;
  // Reads `count` samples of working component `component` along working row `row` from
  // working column `start` into dst, as a decode would put them there, and returns count; 0
  // (nothing written) for a component the format does not store (hasComponent). The columns
  // start .. start + count - 1 and the row must lie in the picture (asserted).
  virtual int readComponentAt(void* dst, int start, int count, int component,
                              const void* const* rawPtrs, const int* rawStrides, bool bottomUp,
                              int row) const = 0;
  // Copies count samples of one raw row from raw sample `start` on into dst as working samples
  // (big-endian samples swapped, bit-packed ones unpacked), and back. Only the bytes that hold
  // samples start .. start + count - 1 are read or written; a bit-packed write keeps the bits of
  // the neighbouring samples.
  virtual void readSamples(const void* rawRow, int start, void* dst, int count) const = 0;
  virtual void writeSamples(void* rawRow, int start, const void* src, int count) const = 0;
};
