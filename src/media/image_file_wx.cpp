#include "media/image_file_wx.h"

#include <wx/bitmap.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/statbmp.h>

#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

#include "avifile/avi_system.h"
#include "media/scale_to_fit.h"

namespace detail {

RawFrame WxImageSource::getFrame() {
  if (!image.IsOk()) return RawFrame();
  RawImageInfo info(rawFormatFromHint(RawFormatHint::RGB24), image.GetWidth(), image.GetHeight());
  info.bindReader();
  return RawFrame(info, image.GetData());
}

void WxImageSource::load() {
  // The bytes are read through the file's native name, so that any name opens; the toolkit
  // decodes them from memory. Only from a regular file: a pipe or a device would hold the loader
  // in its open or its read for good.
  std::string native;
  if (!toNativePath(path, native) || !isRegularFile(native)) return;
  std::ifstream in(native, std::ios::binary);
  if (!in) return;
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  if (bytes.empty()) return;
  wxMemoryInputStream stream(bytes.data(), bytes.size());
  // The toolkit would report a failure in a message box of its own; the players report it.
  wxLogNull quiet;
  wxImage loaded;
  if (!loaded.LoadFile(stream, wxBITMAP_TYPE_ANY)) return;
  image = loaded;
}

}  // namespace detail

ImageFileWx::ImageFileWx(std::wstring path, int64_t displayMs)
    : ImageFile(&wxSource, displayMs), displayMs(displayMs), wxSource(std::move(path)) {
  // The image handlers are registered once, before any loader thread reads a picture.
  static std::once_flag handlers;
  std::call_once(handlers, [] {
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxInitAllImageHandlers();
  });
  startLoader();
}

ImageFileWx::~ImageFileWx() { stop(); }

bool ImageFileWx::play(wxWindow* window) {
  auto* control = dynamic_cast<wxStaticBitmap*>(window);
  // Until the open is over the loader thread may still be writing the picture.
  if (!control || !opened()->get() || !wxSource.image.IsOk()) return false;
  wxImage copy = wxSource.image.Copy();
  const wxSize size = control->GetClientSize();
  if (size.x > 0 && size.y > 0) copy.Rescale(size.x, size.y);
  control->SetBitmap(wxBitmap(copy));
  return startPlayback();
}

bool ImageFileWx::drawCurrent(RawImage& image, int32_t maxWidth, int32_t maxHeight) {
  if (!opened()->get()) return false;
  return scaleToFit(image, maxWidth, maxHeight, wxSource.getFrame());
}

std::shared_ptr<VideoFile> ImageFileWx::clone() const {
  return std::make_shared<ImageFileWx>(wxSource.getPath(), displayMs);
}
