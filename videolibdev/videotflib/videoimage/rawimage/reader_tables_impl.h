// Definitions of the reader tables, included only by the per-row-type translation units.
#pragma once

#include <memory>

#include "videoimage/rawimage/converter_impl.h"
#include "videoimage/rawimage/reader_tables.h"

namespace rawDecoderTmp {

namespace detail {

using L = ChromaLayout;
using O = ComponentOrder;

// Planar layouts: full-size plane 0 and chroma planes of class Chroma; the fourth reader is a
// full-size plane.
template <class Row, class Chroma, int s0, int s1, int s2, int c0, int c1, int c2>
using PlanarFactory = ReaderFactoryPlanar<Row, readers::Planar<Row>, Chroma, Chroma, s0, s1, s2, c0,
                                          c1, c2, readers::Planar<Row>>;

template <class Row, class Chroma>
using SemiPlanarFactory = ReaderFactoryMixed<Row, readers::Planar<Row>, 0, 1, 0, Chroma>;

// The three orders of a subsampled planar layout, plane 0 at full size whatever it holds.
template <class Row, int SX, int SY>
void addSubsampledPlanar(ReaderTable<Row>& table, L layout) {
  using Chroma = readers::PlanarScale<Row, SX, SY>;
  table.emplace(std::pair(layout, O::YUV),
                PlanarFactory<Row, Chroma, 0, 1, 2, 0, 1, 2>::instance());
  table.emplace(std::pair(layout, O::YVU),
                PlanarFactory<Row, Chroma, 0, 1, 2, 0, 2, 1>::instance());
  table.emplace(std::pair(layout, O::UYV),
                PlanarFactory<Row, Chroma, 0, 1, 2, 1, 0, 2>::instance());
}

template <class Row>
ReaderTable<Row> buildReaderTable() {
  using namespace readers;
  using Full = Planar<Row>;
  ReaderTable<Row> t;
  // emplace keeps the first factory of a key.
  auto add = [&t](L layout, O order, const ReaderFactoryBase<Row>* factory) {
    t.emplace(std::pair(layout, order), factory);
  };

  add(L::Y, O::Y, ReaderFactoryPacked<Y<Row>>::instance());

  add(L::Packed_444, O::YUV, ReaderFactoryPacked<Packed444<Row, 0, 1, 2>>::instance());
  add(L::Packed_444, O::YVU, ReaderFactoryPacked<Packed444<Row, 0, 2, 1>>::instance());
  add(L::Packed_444, O::UYV, ReaderFactoryPacked<Packed444<Row, 1, 0, 2>>::instance());
  add(L::Packed_444, O::RGB, ReaderFactoryPacked<Packed444<Row, 0, 1, 2>>::instance());
  add(L::Packed_444, O::BGR, ReaderFactoryPacked<Packed444<Row, 2, 1, 0>>::instance());
  add(L::Packed_444, O::GBR, ReaderFactoryPacked<Packed444<Row, 1, 2, 0>>::instance());
  add(L::Packed_444, O::RBG, ReaderFactoryPacked<Packed444<Row, 0, 2, 1>>::instance());
  add(L::Packed_444, O::BRG, ReaderFactoryPacked<Packed444<Row, 2, 0, 1>>::instance());
  add(L::Packed_444, O::GRB, ReaderFactoryPacked<Packed444<Row, 1, 0, 2>>::instance());
  add(L::Packed_444, O::RGBA, ReaderFactoryPacked<PackedSkipping<Row, 0, 1, 2>>::instance());
  add(L::Packed_444, O::BGRA, ReaderFactoryPacked<PackedSkipping<Row, 2, 1, 0>>::instance());
  add(L::Packed_444, O::ARGB, ReaderFactoryPacked<PackedSkipping<Row, 1, 2, 3>>::instance());
  add(L::Packed_444, O::ABGR, ReaderFactoryPacked<PackedSkipping<Row, 3, 2, 1>>::instance());

  add(L::Planar_444, O::YUV, PlanarFactory<Row, Full, 0, 1, 2, 0, 1, 2>::instance());
  add(L::Planar_444, O::YVU, PlanarFactory<Row, Full, 0, 1, 2, 0, 2, 1>::instance());
  add(L::Planar_444, O::UYV, PlanarFactory<Row, Full, 0, 1, 2, 1, 0, 2>::instance());
  add(L::Planar_444, O::RGB, PlanarFactory<Row, Full, 0, 1, 2, 0, 1, 2>::instance());
  add(L::Planar_444, O::BGR, PlanarFactory<Row, Full, 0, 1, 2, 2, 1, 0>::instance());
  add(L::Planar_444, O::GBR, PlanarFactory<Row, Full, 0, 1, 2, 1, 2, 0>::instance());
  add(L::Planar_444, O::RBG, PlanarFactory<Row, Full, 0, 1, 2, 0, 2, 1>::instance());
  add(L::Planar_444, O::BRG, PlanarFactory<Row, Full, 0, 1, 2, 2, 0, 1>::instance());
  add(L::Planar_444, O::GRB, PlanarFactory<Row, Full, 0, 1, 2, 1, 0, 2>::instance());
  add(L::Planar_444, O::RGBA, PlanarFactory<Row, Full, 0, 1, 2, 0, 1, 2>::instance());
  add(L::Planar_444, O::BGRA, PlanarFactory<Row, Full, 0, 1, 2, 2, 1, 0>::instance());
  add(L::Planar_444, O::ARGB, PlanarFactory<Row, Full, 1, 2, 3, 0, 1, 2>::instance());
  add(L::Planar_444, O::ABGR, PlanarFactory<Row, Full, 1, 2, 3, 2, 1, 0>::instance());

  add(L::NV_422, O::YUV, SemiPlanarFactory<Row, PackedCroma_422<Row, 1, 2>>::instance());
  add(L::NV_422, O::YVU, SemiPlanarFactory<Row, PackedCroma_422<Row, 2, 1>>::instance());
  add(L::NV_420, O::YUV, SemiPlanarFactory<Row, PackedCroma_420<Row, 1, 2>>::instance());
  add(L::NV_420, O::YVU, SemiPlanarFactory<Row, PackedCroma_420<Row, 2, 1>>::instance());

  addSubsampledPlanar<Row, 2, 1>(t, L::Planar_422);

  add(L::Packed_422, O::YUYV, ReaderFactoryPacked<Packed422_yFirst<Row, 1, 2>>::instance());
  add(L::Packed_422, O::YVYU, ReaderFactoryPacked<Packed422_yFirst<Row, 2, 1>>::instance());
  add(L::Packed_422, O::UYVY, ReaderFactoryPacked<Packed422_crFirst<Row, 1, 2>>::instance());

  addSubsampledPlanar<Row, 2, 2>(t, L::Planar_420);
  addSubsampledPlanar<Row, 4, 1>(t, L::Planar_411);
  addSubsampledPlanar<Row, 4, 4>(t, L::Planar_410);
  return t;
}

}  // namespace detail

template <class Row>
const ReaderTable<Row>& readerTable() {
  static const ReaderTable<Row> table = detail::buildReaderTable<Row>();
  return table;
}

template <class Row>
void fileReaderTable(FormatRegistry& registry) {
  using Traits = RowTraits<Row>;
  for (const auto& [key, factory] : readerTable<Row>()) {
    const RawFormat format(key.first, key.second, Traits::sampleType, Traits::packed,
                           Traits::byteOrder);
    registry.file(format,
                  std::make_unique<FormatDescriptorImpl<Row>>(key.first, key.second, factory));
  }
}

}  // namespace rawDecoderTmp
