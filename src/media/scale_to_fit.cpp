#include "media/scale_to_fit.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>

void fitSize(int32_t w, int32_t h, int32_t maxWidth, int32_t maxHeight, int32_t& fitWidth,
             int32_t& fitHeight) {
  const int64_t byHeight = static_cast<int64_t>(maxHeight) * w / h;
  const int64_t byWidth = static_cast<int64_t>(maxWidth) * h / w;
  fitWidth = static_cast<int32_t>(std::max<int64_t>(std::min<int64_t>({maxWidth, w, byHeight}), 1));
  fitHeight =
      static_cast<int32_t>(std::max<int64_t>(std::min<int64_t>({maxHeight, h, byWidth}), 1));
}

bool scaleToFit(RawImage& target, int32_t maxWidth, int32_t maxHeight, RawFrame frame) {
  if (frame.empty()) return false;
  const RawImageInfo& info = frame.getInfo();
  const RawFormatSpec& spec = info;
  if (!(spec == rawFormatFromHint(RawFormatHint::RGB24)) &&
      !(spec == rawFormatFromHint(RawFormatHint::BGR24)))
    return false;
  const int32_t w = info.width;
  const int32_t h = info.height;
  if (w <= 0 || h <= 0 || maxWidth <= 0 || maxHeight <= 0) return false;
  int32_t fitWidth, fitHeight;
  fitSize(w, h, maxWidth, maxHeight, fitWidth, fitHeight);

  RawImageInfo fitted(spec, fitWidth, fitHeight);
  fitted.bindReader();
  target = RawImage(fitted);
  if (!target.allocate()) return false;
  SwsContext* context = sws_getContext(w, h, AV_PIX_FMT_RGB24, fitWidth, fitHeight,
                                       AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (!context) return false;
  const uint8_t* const source[] = {frame.planeData(0)};
  const int sourceStride[] = {frame.planeStride(0)};
  uint8_t* const destination[] = {target.planeData(0)};
  const int destinationStride[] = {target.planeStride(0)};
  sws_scale(context, source, sourceStride, 0, h, destination, destinationStride);
  sws_freeContext(context);
  return true;
}
