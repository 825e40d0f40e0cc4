// Helpers of the raw-image tests: bound headers, allocated images filled with random samples,
// byte-level comparison of planes, and the list of every filed format with the bit depths to
// try on it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "videoimage/rawimage/format_registry.h"
#include "videoimage/rawimage/raw_format.h"
#include "videoimage/rawimage/raw_image.h"

namespace rawimage_test {

inline RawImageInfo bound(const RawFormatSpec& spec, int width, int height) {
  RawImageInfo info(spec, width, height);
  info.bindReader();
  return info;
}

inline RawImageInfo bound(RawFormatHint hint, int width, int height) {
  return bound(rawFormatFromHint(hint), width, height);
}

inline RawImage allocated(const RawImageInfo& info) {
  RawImage image(info);
  EXPECT_TRUE(image.allocate()) << info.name();
  return image;
}

// The working image a frame of this header decodes to, allocated.
inline RawImage workingFor(const RawImageInfo& info) { return allocated(info.getDecodedType()); }

// Bytes of the samples of stored row y of plane p (not the padding after them).
inline std::vector<uint8_t> rowBytes(const ConstRawFrame& frame, int p, int y) {
  const uint8_t* row = frame.row(p, y);
  return {row, row + frame.header.reader->rowBytes(p)};
}

// Every stored row's sample bytes, plane after plane.
inline std::vector<uint8_t> payload(const ConstRawFrame& frame) {
  std::vector<uint8_t> all;
  for (int p = 0; p < frame.planeCount(); ++p) {
    for (int y = 0; y < frame.header.planeHeight(p); ++y) {
      const auto row = rowBytes(frame, p, y);
      all.insert(all.end(), row.begin(), row.end());
    }
  }
  return all;
}

// Every byte of every plane, row padding included.
inline std::vector<uint8_t> everyByte(const ConstRawFrame& frame) {
  std::vector<uint8_t> all;
  for (int p = 0; p < frame.planeCount(); ++p) {
    for (int y = 0; y < frame.header.planeHeight(p); ++y) {
      const uint8_t* row = frame.row(p, y);
      all.insert(all.end(), row, row + frame.planeStride(p));
    }
  }
  return all;
}

// Sets every byte of every plane (padding included) to v.
inline void fillBytes(RawFrame& frame, uint8_t v) {
  for (int p = 0; p < frame.planeCount(); ++p) {
    for (int y = 0; y < frame.header.planeHeight(p); ++y) {
      std::memset(frame.row(p, y), v, static_cast<size_t>(frame.planeStride(p)));
    }
  }
}

// Random sample bytes in every stored row. Float samples are finite values k / 4096 in [0, 16),
// whose chroma means of equal values are exact; integer samples take any bit pattern.
inline void fillRandom(RawFrame& frame, std::mt19937& random) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> fraction(0, 65535);
  for (int p = 0; p < frame.planeCount(); ++p) {
    const int bytes = frame.header.reader->rowBytes(p);
    for (int y = 0; y < frame.header.planeHeight(p); ++y) {
      uint8_t* row = frame.row(p, y);
      if (frame.header.sampleType == SampleType::Float32) {
        for (int i = 0; i + 4 <= bytes; i += 4) {
          const float v = static_cast<float>(fraction(random)) / 4096.0f;
          std::memcpy(row + i, &v, 4);
        }
      } else {
        for (int i = 0; i < bytes; ++i) row[i] = static_cast<uint8_t>(byte(random));
      }
    }
  }
}

// Working planes: sample bytes of row y of plane k.
inline std::vector<uint8_t> workingRow(const ConstRawFrame& image, int k, int y, int from = 0,
                                       int count = -1) {
  const int size = sampleTypeInfo(image.header.sampleType).bytesPerSample;
  if (count < 0) count = image.header.width - from;
  const uint8_t* row = image.row(k, y) + from * size;
  return {row, row + count * size};
}

inline std::vector<uint8_t> workingPlane(const ConstRawFrame& image, int k) {
  std::vector<uint8_t> all;
  for (int y = 0; y < image.header.height; ++y) {
    const auto row = workingRow(image, k, y);
    all.insert(all.end(), row.begin(), row.end());
  }
  return all;
}

// A filed format with a bit depth to try on it.
struct FormatCase {
  RawFormatSpec spec;
  std::string name() const { return spec.name() + (spec.packed ? "(bit-packed)" : ""); }
};

// Every filed format, each with the bit depths its row type holds: 8 and 3 (8-bit), 10 and 16
// (16-bit), 32 (float); bit-packed 8-bit also at 1.
inline std::vector<FormatCase> everyFormat() {
  std::vector<FormatCase> cases;
  for (const auto& [format, descriptor] : FormatRegistry::instance().formats()) {
    std::vector<int> depths;
    switch (format.sampleType) {
      case SampleType::Int8:
        depths = format.packed ? std::vector<int>{1, 3, 8} : std::vector<int>{8, 3};
        break;
      case SampleType::Int16:
        depths = {10, 16};
        break;
      default:
        depths = {32};
        break;
    }
    for (int depth : depths) cases.push_back({RawFormatSpec(format, depth, false)});
  }
  return cases;
}

}  // namespace rawimage_test
