// The format registry: which raw formats have a reader, and how a reader is made for a picture.
//
// The process-wide registry (`FormatRegistry::instance`) is built once, on first use from any
// thread, by filing the reader table of each of the six sample-row types; afterwards it never
// changes and lookups need no lock. Descriptors live as long as the registry; readers they make
// belong to whoever holds them.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <set>
#include <utility>

#include "videoimage/rawimage/raw_format.h"
#include "videoimage/rawimage/reader_interface.h"

// Makes the readers of one filed format.
class FormatDescriptor {
 public:
  // A new reader for a picture of that size and bit depth, or none when the picture's planes
  // cannot be described (a negative size, or a stored row longer than an int can count).
  virtual std::shared_ptr<ReaderInterface> createReader(int width, int height,
                                                        int bitDepth) const = 0;
  virtual ~FormatDescriptor() = default;
};

class FormatRegistry {
 public:
  using LayoutOrder = std::pair<ChromaLayout, ComponentOrder>;
  using FormatMap = std::map<RawFormat, const FormatDescriptor*, RawFormatOrder>;

  // An empty registry.
  FormatRegistry() = default;
  FormatRegistry(FormatRegistry&&) = default;
  FormatRegistry& operator=(FormatRegistry&&) = default;

  // The process-wide registry with every format of the reader tables.
  static const FormatRegistry& instance();

  // The descriptor filed under the format's sort key, or null.
  const FormatDescriptor* lookup(const RawFormat& format) const;

  // Takes ownership of the descriptor and files it under the format. When a format with an equal
  // sort key is filed already, that one stays (the new descriptor is kept but never found) and
  // the result is false.
  bool file(const RawFormat& format, std::unique_ptr<FormatDescriptor> descriptor);

  const std::list<std::unique_ptr<FormatDescriptor>>& descriptors() const { return descriptors_; }
  const std::set<LayoutOrder>& layoutOrders() const { return layoutOrders_; }
  const FormatMap& formats() const { return formats_; }

 private:
  std::list<std::unique_ptr<FormatDescriptor>> descriptors_;  // owns every descriptor filed
  std::set<LayoutOrder> layoutOrders_;
  FormatMap formats_;  // not owning
};
