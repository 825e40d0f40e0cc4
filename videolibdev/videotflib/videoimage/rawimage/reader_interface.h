// The reader of one raw format at one picture size, as raw images and frames hold it.
//
// A reader is made by the format registry for a header's format, width, height and bit depth
// (RawImageInfo::bindReader), is immutable, and is shared by every copy of that header; any
// number of threads may use one reader at once.
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
};
