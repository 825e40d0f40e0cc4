#include "videoimage/rawimage/format_registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/assert_guard.h"
#include "videoimage/rawimage/converter_impl.h"
#include "videoimage/rawimage/raw_image.h"
#include "videoimage/rawimage/reader_tables.h"

namespace {

using namespace rawDecoderTmp;
using L = ChromaLayout;
using O = ComponentOrder;
using S = SampleType;
using B = ByteOrder;
using vixo_test::assertionText;

const FormatRegistry& registry() { return FormatRegistry::instance(); }

std::shared_ptr<ReaderInterface> readerFor(const RawFormat& format, int width, int height,
                                           int bitDepth) {
  const FormatDescriptor* descriptor = registry().lookup(format);
  return descriptor ? descriptor->createReader(width, height, bitDepth) : nullptr;
}

// ---------------------------------------------------------------- contents

TEST(FormatRegistryContents, FilesTheSixRowTypesOf46LayoutsAndOrders) {
  EXPECT_EQ(registry().descriptors().size(), 276u);
  EXPECT_EQ(registry().formats().size(), 276u);
  EXPECT_EQ(registry().layoutOrders().size(), 46u);

  std::map<L, int> perLayout;
  for (const auto& [layout, order] : registry().layoutOrders()) ++perLayout[layout];
  const std::map<L, int> expected = {
      {L::Y, 1},          {L::Packed_444, 13}, {L::Planar_444, 13}, {L::NV_422, 2},
      {L::NV_420, 2},     {L::Planar_422, 3},  {L::Packed_422, 3},  {L::Planar_420, 3},
      {L::Planar_411, 3}, {L::Planar_410, 3},
  };
  EXPECT_EQ(perLayout, expected);

  // Each row type files every key under its own (sample type, packed, byte order).
  const struct {
    S sampleType;
    bool packed;
    B byteOrder;
  } rowTypes[] = {{S::Int8, true, B::Default},  {S::Int8, false, B::Default},
                  {S::Int16, true, B::Default}, {S::Int16, false, B::LE},
                  {S::Int16, false, B::BE},     {S::Float32, false, B::Default}};
  for (const auto& rowType : rowTypes) {
    for (const auto& [layout, order] : registry().layoutOrders()) {
      const RawFormat format(layout, order, rowType.sampleType, rowType.packed, rowType.byteOrder);
      SCOPED_TRACE(RawFormatSpec(format, 0, false).name());
      EXPECT_NE(registry().lookup(format), nullptr);
    }
  }
}

TEST(FormatRegistryContents, EveryPredefinedFormatBindsAReader) {
  for (int hint = 0; hint < kRawFormatHintCount; ++hint) {
    RawImageInfo info(rawFormatFromHint(static_cast<RawFormatHint>(hint)), 7, 5);
    SCOPED_TRACE(info.name());
    info.bindReader();
    EXPECT_TRUE(info.reader);
  }
}

TEST(FormatRegistryLookup, FindsFormatsByTheirSortKey) {
  RawFormat storedDefault(L::Planar_420, O::YUV, S::Int16, false, B::LE);
  storedDefault.byteOrder = B::Default;  // set past the constructor
  const struct {
    const char* what;
    RawFormat format;
    bool found;
  } rows[] = {
      {"16-bit built with default byte order",
       {L::Planar_420, O::YUV, S::Int16, false, B::Default},
       true},
      {"16-bit with a stored default byte order", storedDefault, false},
      {"16-bit big-endian", {L::Planar_420, O::YUV, S::Int16, false, B::BE}, true},
      {"planar 4:2:2 RGB", {L::Planar_422, O::RGB, S::Int8, false, B::Default}, false},
      {"packed 4:2:2 YUV", {L::Packed_422, O::YUV, S::Int8, false, B::Default}, false},
      {"semi-planar UYV", {L::NV_420, O::UYV, S::Int8, false, B::Default}, false},
      {"gray layout with RGB", {L::Y, O::RGB, S::Int8, false, B::Default}, false},
      {"packed 4:4:4 YUYV", {L::Packed_444, O::YUYV, S::Int8, false, B::Default}, false},
      {"bit-packed float", {L::Planar_444, O::RGB, S::Float32, true, B::Default}, false},
      {"unknown layout", {static_cast<L>(10), O::RGB, S::Int8, false, B::Default}, false},
      {"unknown order", {L::Planar_444, static_cast<O>(17), S::Int8, false, B::Default}, false},
      {"unknown sample type", {L::Planar_444, O::RGB, static_cast<S>(3), false, B::Default}, false},
      {"the unknown format", RawFormat(), false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(registry().lookup(row.format) != nullptr, row.found);
  }

  // A byte order that does not apply finds the same descriptor.
  EXPECT_EQ(registry().lookup({L::Packed_444, O::RGB, S::Int8, false, B::BE}),
            registry().lookup({L::Packed_444, O::RGB, S::Int8, false, B::Default}));
  RawFormat stored8(L::Packed_444, O::RGB, S::Int8, false, B::Default);
  stored8.byteOrder = B::BE;
  EXPECT_EQ(registry().lookup(stored8),
            registry().lookup({L::Packed_444, O::RGB, S::Int8, false, B::Default}));
  EXPECT_NE(registry().lookup({L::Planar_420, O::YUV, S::Int16, false, B::LE}),
            registry().lookup({L::Planar_420, O::YUV, S::Int16, false, B::BE}));
}

// A descriptor that counts the readers it is asked for.
class CountingDescriptor : public FormatDescriptor {
 public:
  std::shared_ptr<ReaderInterface> createReader(int, int, int) const override { return nullptr; }
};

TEST(FormatRegistryFiling, TheFirstDescriptorOfAFormatStays) {
  FormatRegistry own;
  auto first = std::make_unique<CountingDescriptor>();
  const FormatDescriptor* firstFiled = first.get();
  EXPECT_TRUE(own.file({L::Packed_444, O::RGB, S::Int8, false, B::Default}, std::move(first)));
  // Equal under the sort key: an inapplicable byte order.
  RawFormat same(L::Packed_444, O::RGB, S::Int8, false, B::Default);
  same.byteOrder = B::BE;
  EXPECT_FALSE(own.file(same, std::make_unique<CountingDescriptor>()));
  EXPECT_TRUE(own.file({L::Packed_444, O::RGB, S::Int16, false, B::BE},
                       std::make_unique<CountingDescriptor>()));

  EXPECT_EQ(own.lookup(same), firstFiled);
  EXPECT_EQ(own.descriptors().size(), 3u);  // the refused one is kept, never found
  EXPECT_EQ(own.formats().size(), 2u);
  EXPECT_EQ(own.layoutOrders().size(), 1u);
}

// ---------------------------------------------------------------- factories

TEST(ReaderTables, KeysWithTheSameWiringShareOneFactory) {
  const ReaderTable<U8>& t = readerTable<U8>();
  EXPECT_EQ(t.size(), 46u);
  auto at = [&t](L layout, O order) { return t.at({layout, order}); };
  EXPECT_EQ(at(L::Packed_444, O::YUV), at(L::Packed_444, O::RGB));
  EXPECT_EQ(at(L::Packed_444, O::UYV), at(L::Packed_444, O::GRB));
  EXPECT_EQ(at(L::Planar_444, O::YUV), at(L::Planar_444, O::RGBA));
  EXPECT_EQ(at(L::Planar_444, O::BGR), at(L::Planar_444, O::BGRA));
  EXPECT_NE(at(L::Planar_444, O::ABGR), at(L::Planar_444, O::BGR));
  EXPECT_EQ(at(L::Packed_444, O::ABGR),
            (ReaderFactoryPacked<readers::PackedSkipping<U8, 3, 2, 1>>::instance()));
  EXPECT_EQ(at(L::NV_420, O::YVU),
            (ReaderFactoryMixed<U8, readers::Planar<U8>, 0, 1, 0,
                                readers::PackedCroma_420<U8, 2, 1>>::instance()));
  // Each row type has its own factories.
  EXPECT_EQ(readerTable<F32>().size(), 46u);
  EXPECT_NE(static_cast<const void*>(readerTable<F32>().at({L::Y, O::Y})),
            static_cast<const void*>(at(L::Y, O::Y)));
}

TEST(ReaderTables, TwoReadersForOneSizeAreDistinctButShareTheFactory) {
  const auto* descriptor = dynamic_cast<const FormatDescriptorImpl<U8>*>(
      registry().lookup({L::Planar_420, O::YUV, S::Int8, false, B::Default}));
  ASSERT_NE(descriptor, nullptr);
  EXPECT_EQ(descriptor->layout, L::Planar_420);
  EXPECT_EQ(descriptor->order, O::YUV);
  EXPECT_EQ(descriptor->factory, (readerTable<U8>().at({L::Planar_420, O::YUV})));
  const auto a = descriptor->createReader(16, 8, 8);
  const auto b = descriptor->createReader(16, 8, 8);
  ASSERT_TRUE(a && b);
  EXPECT_NE(a, b);
}

// ---------------------------------------------------------------- reader geometry

TEST(ReaderGeometry, PlaneSizesAndWiringOfEachKindOfReader) {
  struct Plane {
    int samples, rows, bytes;
  };
  const struct {
    const char* what;
    RawFormat format;
    int width, height, bitDepth;
    std::vector<Plane> planes;
    bool acceptsWidth, isDirect;
    int mask;
    std::vector<int> componentOrder;
    std::map<int, int> plain;
  } rows[] = {
      {"planar 4:4:4 YUV",
       {L::Planar_444, O::YUV, S::Int8, false, B::Default},
       5,
       3,
       8,
       {{5, 3, 5}, {5, 3, 5}, {5, 3, 5}},
       true,
       true,
       7,
       {0, 1, 2},
       {{0, 0}, {1, 1}, {2, 2}}},
      {"planar 4:4:4 BGR",
       {L::Planar_444, O::BGR, S::Int8, false, B::Default},
       5,
       3,
       8,
       {{5, 3, 5}, {5, 3, 5}, {5, 3, 5}},
       true,
       true,
       7,
       {2, 1, 0},
       {{0, 2}, {1, 1}, {2, 0}}},
      {"planar 4:4:4 GBR",
       {L::Planar_444, O::GBR, S::Int8, false, B::Default},
       5,
       3,
       8,
       {{5, 3, 5}, {5, 3, 5}, {5, 3, 5}},
       true,
       true,
       7,
       {2, 0, 1},
       {{1, 0}, {2, 1}, {0, 2}}},
      {"planar 4:4:4 BRG",
       {L::Planar_444, O::BRG, S::Int8, false, B::Default},
       5,
       3,
       8,
       {{5, 3, 5}, {5, 3, 5}, {5, 3, 5}},
       true,
       true,
       7,
       {1, 2, 0},
       {{2, 0}, {0, 1}, {1, 2}}},
      {"planar RGBA: the alpha plane has the picture's size",
       {L::Planar_444, O::RGBA, S::Int8, false, B::Default},
       5,
       3,
       8,
       {{5, 3, 5}, {5, 3, 5}, {5, 3, 5}, {5, 3, 5}},
       true,
       true,
       7,
       {0, 1, 2},
       {{0, 0}, {1, 1}, {2, 2}}},
      {"planar ARGB",
       {L::Planar_444, O::ARGB, S::Int16, false, B::LE},
       5,
       3,
       16,
       {{5, 3, 10}, {5, 3, 10}, {5, 3, 10}, {5, 3, 10}},
       true,
       true,
       7,
       {1, 2, 3},
       {{0, 1}, {1, 2}, {2, 3}}},
      {"planar ABGR",
       {L::Planar_444, O::ABGR, S::Float32, false, B::Default},
       5,
       3,
       32,
       {{5, 3, 20}, {5, 3, 20}, {5, 3, 20}, {5, 3, 20}},
       true,
       true,
       7,
       {3, 2, 1},
       {{2, 1}, {1, 2}, {0, 3}}},
      {"planar 4:2:0 YUV, luma alone is plain",
       {L::Planar_420, O::YUV, S::Int8, false, B::Default},
       7,
       5,
       8,
       {{7, 5, 7}, {4, 3, 4}, {4, 3, 4}},
       true,
       false,
       7,
       {0, 1, 2},
       {{0, 0}}},
      {"planar 4:2:0 UYV: U in the full-size plane",
       {L::Planar_420, O::UYV, S::Int8, false, B::Default},
       7,
       5,
       8,
       {{7, 5, 7}, {4, 3, 4}, {4, 3, 4}},
       true,
       false,
       7,
       {1, 0, 2},
       {{1, 0}}},
      {"planar 4:2:2 YVU",
       {L::Planar_422, O::YVU, S::Int16, false, B::BE},
       7,
       5,
       10,
       {{7, 5, 14}, {4, 5, 8}, {4, 5, 8}},
       true,
       false,
       7,
       {0, 2, 1},
       {{0, 0}}},
      {"planar 4:1:1",
       {L::Planar_411, O::YUV, S::Int8, false, B::Default},
       9,
       3,
       8,
       {{9, 3, 9}, {3, 3, 3}, {3, 3, 3}},
       true,
       false,
       7,
       {0, 1, 2},
       {{0, 0}}},
      {"planar 4:1:0",
       {L::Planar_410, O::YUV, S::Int8, false, B::Default},
       9,
       7,
       8,
       {{9, 7, 9}, {3, 2, 3}, {3, 2, 3}},
       true,
       false,
       7,
       {0, 1, 2},
       {{0, 0}}},
      {"semi-planar 4:2:0 of odd width",
       {L::NV_420, O::YUV, S::Int8, false, B::Default},
       7,
       5,
       8,
       {{7, 5, 7}, {8, 3, 8}},
       false,
       false,
       7,
       {0, 1, 1},
       {}},
      {"semi-planar 4:2:2 16-bit",
       {L::NV_422, O::YVU, S::Int16, false, B::LE},
       6,
       5,
       10,
       {{6, 5, 12}, {6, 5, 12}},
       true,
       false,
       7,
       {0, 1, 1},
       {}},
      {"packed 4:2:2 of odd width",
       {L::Packed_422, O::YUYV, S::Int8, false, B::Default},
       5,
       2,
       8,
       {{12, 2, 12}},
       false,
       false,
       7,
       {0, 0, 0},
       {}},
      {"packed 4:2:2 of even width",
       {L::Packed_422, O::UYVY, S::Int8, false, B::Default},
       6,
       2,
       8,
       {{12, 2, 12}},
       true,
       false,
       7,
       {0, 0, 0},
       {}},
      {"packed 4:4:4 16-bit",
       {L::Packed_444, O::RGB, S::Int16, false, B::LE},
       5,
       1,
       16,
       {{15, 1, 30}},
       true,
       false,
       7,
       {0, 0, 0},
       {}},
      {"packed with a skipped sample, float",
       {L::Packed_444, O::BGRA, S::Float32, false, B::Default},
       5,
       1,
       32,
       {{20, 1, 80}},
       true,
       false,
       7,
       {0, 0, 0},
       {}},
      {"gray",
       {L::Y, O::Y, S::Int8, false, B::Default},
       5,
       4,
       8,
       {{5, 4, 5}},
       true,
       false,
       7,
       {0, 0, 0},
       {}},
      {"bit-packed 1-bit gray",
       {L::Y, O::Y, S::Int8, true, B::Default},
       10,
       1,
       1,
       {{10, 1, 2}},
       true,
       false,
       7,
       {0, 0, 0},
       {}},
      {"bit-packed 10-bit packed YUV",
       {L::Packed_444, O::YUV, S::Int16, true, B::Default},
       1,
       1,
       10,
       {{3, 1, 4}},
       true,
       false,
       7,
       {0, 0, 0},
       {}},
      {"bit-packed 3-bit planar",
       {L::Planar_444, O::RGB, S::Int8, true, B::Default},
       3,
       2,
       3,
       {{3, 2, 2}, {3, 2, 2}, {3, 2, 2}},
       true,
       true,
       7,
       {0, 1, 2},
       {{0, 0}, {1, 1}, {2, 2}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const auto reader = readerFor(row.format, row.width, row.height, row.bitDepth);
    ASSERT_TRUE(reader);
    ASSERT_EQ(row.format.planeCount(), static_cast<int>(row.planes.size()));
    for (int p = 0; p < row.format.planeCount(); ++p) {
      SCOPED_TRACE(p);
      EXPECT_EQ(reader->planeWidth(p), row.planes[static_cast<size_t>(p)].samples);
      EXPECT_EQ(reader->planeHeight(p), row.planes[static_cast<size_t>(p)].rows);
      EXPECT_EQ(reader->rowBytes(p), row.planes[static_cast<size_t>(p)].bytes);
    }
    EXPECT_EQ(reader->acceptsWidth(), row.acceptsWidth);
    EXPECT_EQ(reader->isDirect(), row.isDirect);
    EXPECT_EQ(reader->componentMask(), row.mask);
    int order[3] = {-1, -1, -1};
    reader->componentOrder(order);
    EXPECT_EQ(std::vector<int>(order, order + 3), row.componentOrder);
    std::map<int, int> plain = {{9, 9}};  // cleared first
    EXPECT_EQ(&reader->plainComponents(plain), &plain);
    EXPECT_EQ(plain, row.plain);
  }
}

TEST(ReaderGeometry, ComponentsEachReaderCanRead) {
  const struct {
    const char* what;
    RawFormat format;
    std::vector<bool> has;  // components -1 .. 3
  } rows[] = {
      {"planar",
       {L::Planar_420, O::YVU, S::Int8, false, B::Default},
       {false, true, true, true, false}},
      {"semi-planar",
       {L::NV_420, O::YUV, S::Int8, false, B::Default},
       {false, true, true, true, false}},
      {"gray: only luma is stored",
       {L::Y, O::Y, S::Int8, false, B::Default},
       {false, true, false, false, false}},
      {"packed 4:4:4",
       {L::Packed_444, O::BGR, S::Int8, false, B::Default},
       {false, true, true, true, false}},
      {"packed with a skipped sample",
       {L::Packed_444, O::ARGB, S::Int8, false, B::Default},
       {false, true, true, true, true}},
      {"packed 4:2:2",
       {L::Packed_422, O::YVYU, S::Int8, false, B::Default},
       {false, true, true, true, false}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const auto reader = readerFor(row.format, 8, 4, 8);
    ASSERT_TRUE(reader);
    for (int c = -1; c <= 3; ++c) {
      EXPECT_EQ(reader->hasComponent(c), row.has[static_cast<size_t>(c + 1)]) << c;
    }
  }
}

// Every filed format, in every row type, lays out and allocates at odd and even sizes with every
// stored byte inside the buffer.
TEST(ReaderGeometry, EveryFiledFormatAllocatesInsideItsBuffer) {
  for (const auto& [format, descriptor] : registry().formats()) {
    const int depths[] = {format.sampleType == S::Float32 ? 32
                          : format.sampleType == S::Int16 ? 10
                                                          : 8,
                          format.sampleType == S::Float32 ? 32
                          : format.sampleType == S::Int16 ? 16
                                                          : 3};
    for (int depth : depths) {
      const std::pair<int, int> sizes[] = {{1, 1}, {6, 4}, {9, 7}};
      for (const auto& [width, height] : sizes) {
        RawImage image(RawImageInfo(RawFormatSpec(format, depth, false), width, height));
        SCOPED_TRACE(image.header.name() + " " + std::to_string(width) + "x" +
                     std::to_string(height));
        image.header.bindReader();
        ASSERT_TRUE(image.allocate());
        ASSERT_EQ(image.planeCount(), format.planeCount());
        for (int p = 0; p < image.planeCount(); ++p) {
          EXPECT_GT(image.header.reader->rowBytes(p), 0);
          for (int y = 0; y < image.header.planeHeight(p); ++y) {
            std::memset(image.row(p, y), 0x5A, static_cast<size_t>(image.planeStride(p)));
          }
        }
      }
    }
  }
}

// ---------------------------------------------------------------- image readers

using PlanarU8 = readers::Planar<U8>;
using ScaleU8 = readers::PlanarScale<U8, 2, 2>;

std::shared_ptr<readers::PlaneReader<U8>> planar(int width, int height, int bitDepth = 8) {
  return std::make_shared<PlanarU8>(width, height, bitDepth);
}

TEST(ImageReaders, ConstructorsAssertThatTheirPlaneReadersCoverOnePicture) {
  using C = readers::Combinator<U8, 0, 1, 2, 0, 1, 2>;
  using C2 = readers::Combinator2<U8, 0, 1, 0>;
  const auto p1 = planar(8, 6);
  EXPECT_EQ(assertionText([&] { readers::makeCombinator<C>(p1, planar(7, 6), planar(8, 6), p1); }),
            "p2->getWidth() == p1->getWidth() && p2->getHeight() == p1->getHeight()");
  EXPECT_EQ(assertionText([&] { readers::makeCombinator<C>(p1, planar(8, 6), planar(8, 5), p1); }),
            "p3->getWidth() == p1->getWidth() && p3->getHeight() == p1->getHeight()");
  EXPECT_EQ(assertionText([&] { readers::makeCombinator2<C2>(p1, planar(8, 4)); }),
            "r->getWidth() == p1->getWidth() && r->getHeight() == p1->getHeight()");
  // Subsampling readers report the picture's size; bit depths and the fourth reader are not
  // compared.
  EXPECT_EQ(assertionText([&] {
              readers::makeCombinator<C>(p1, std::make_shared<ScaleU8>(8, 6, 8), planar(8, 6, 10),
                                         planar(1, 1));
            }),
            "(no assertion)");

  const auto packed =
      readers::makeImageReaderPacked<readers::ImageReaderPacked<U8>>(planar(8, 6, 5));
  EXPECT_EQ(packed->getWidth(), 8);
  EXPECT_EQ(packed->getBitDepth(), 5);
  EXPECT_EQ(packed->planeReader(0).getWidth(), 8);
  EXPECT_EQ(assertionText([&] { packed->planeReader(1); }), "p == 0");
}

TEST(ImageReaders, TheImageReaderIsTheOnlyOwnerOfItsPlaneReaders) {
  using C = readers::Combinator<U8, 1, 2, 3, 2, 1, 0>;
  auto p1 = planar(8, 6), p2 = planar(8, 6), p3 = planar(8, 6), fourth = planar(8, 6);
  const std::weak_ptr<readers::PlaneReader<U8>> weak[] = {p1, p2, p3, fourth};
  auto reader = readers::makeCombinator<C>(p1, p2, p3, fourth);
  for (const auto& w : weak) EXPECT_EQ(w.use_count(), 2);
  p1.reset(), p2.reset(), p3.reset(), fourth.reset();
  for (const auto& w : weak) EXPECT_EQ(w.use_count(), 1);
  // Stored plane 0 is served by the fourth reader.
  EXPECT_EQ(&reader->planeReader(0), weak[3].lock().get());
  EXPECT_EQ(&reader->planeReader(1), weak[0].lock().get());
  reader.reset();
  for (const auto& w : weak) EXPECT_TRUE(w.expired());
}

}  // namespace
