// Opening test videos through tfFFmpegSource and telling which frame a raw image shows.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "avifile/avi_system.h"
#include "avifile/ffmpeg.h"
#include "support/test_video.h"

namespace vixo_test {

struct OpenOptions {
  bool frameAccurate = true;
  bool formatFromStream = false;
  int32_t hint = 1;  // BGR24
};

// The default open parameters for a path.
inline FFmpegSourceParams paramsFor(const std::string& path) {
  FFmpegSourceParams params;
  params.fileName = fromUtf8(path);
  return params;
}

inline std::unique_ptr<tfFFmpegSource> openSource(const std::string& path, int32_t& rc,
                                                  const OpenOptions& o = {}) {
  auto source = std::make_unique<tfFFmpegSource>();
  source->requestedHint = o.hint;
  FFmpegSourceParams params = paramsFor(path);
  params.frameAccurate = o.frameAccurate;
  params.formatFromStream = o.formatFromStream;
  rc = source->open(params);
  return source;
}

// The number a BGR24 (or RGB24) image shows; -1 when it shows none.
inline int shownNumber(const RawImage& image) {
  if (image.planeCount() != 1) return -1;
  return frameNumberOfPacked24(image.planeData(0), image.planeStride(0), image.getInfo().width,
                               image.getInfo().height);
}

// Reads frame n by number and returns the number it shows (-100 - code on failure).
inline int readShown(tfFFmpegSource& source, RawImage& image, int n) {
  const int32_t rc = source.readFrame(image, n);
  return rc == 0 ? shownNumber(image) : -100 - rc;
}

}  // namespace vixo_test
