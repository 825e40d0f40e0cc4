#include "player/qr_picture.h"

#include <qrcodegen.hpp>

QrPicture makeQrPicture(const std::string& text) {
  using qrcodegen::QrCode;
  using qrcodegen::QrSegment;
  QrPicture picture;
  try {
    const QrCode code =
        QrCode::encodeSegments(QrSegment::makeSegments(text.c_str()), QrCode::Ecc::MEDIUM,
                               QrCode::MIN_VERSION, QrCode::MAX_VERSION, -1, true);
    const int modules = code.getSize();
    const int border = QrPicture::kBorderModules;
    picture.size = modules + 2 * border;
    picture.rgb.assign(static_cast<size_t>(picture.size) * picture.size * 3, 255);
    for (int y = 0; y < modules; ++y) {
      for (int x = 0; x < modules; ++x) {
        if (!code.getModule(x, y)) continue;
        const size_t at = (static_cast<size_t>(y + border) * picture.size + (x + border)) * 3;
        picture.rgb[at] = picture.rgb[at + 1] = picture.rgb[at + 2] = 0;
      }
    }
  } catch (const qrcodegen::data_too_long&) {
    return {};
  }
  return picture;
}
