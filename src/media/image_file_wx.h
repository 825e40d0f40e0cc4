// Still images read with the toolkit's image loader and shown in a static bitmap control.
//
// The loader thread reads the picture (any type the toolkit's image handlers know) when the file
// is constructed; play() scales it to the control on the GUI thread. The destructor stops and
// joins both threads (see ImageFile).
#pragma once

#include <wx/image.h>

#include <memory>
#include <string>

#include "media/image_file.h"

namespace detail {

// The picture of one file as a toolkit image: packed R, G, B bytes, rows top to bottom.
class WxImageSource : public ImageSource {
 public:
  explicit WxImageSource(std::wstring path) : path(std::move(path)) {}
  ~WxImageSource() = default;

  const std::wstring& getPath() const override { return path; }
  RawFrame getFrame() override;
  // Reads the file's bytes and decodes the first picture in them. A file that cannot be read
  // or decoded leaves no picture, quietly: the file's state tells the caller.
  void load() override;

  wxImage image;
  const std::wstring path;
};

}  // namespace detail

class ImageFileWx : public ImageFile {
 public:
  ImageFileWx(std::wstring path, int64_t displayMs);
  ~ImageFileWx() override;

  // GUI thread, `window` a wxStaticBitmap: shows the picture stretched to the control's client
  // size and starts the display time. False, nothing shown, for another control and for a file
  // whose open is not over or failed; false, the picture shown, for a file that is not Ready.
  bool play(wxWindow* window) override;
  bool drawCurrent(RawImage& image, int32_t maxWidth, int32_t maxHeight) override;
  std::shared_ptr<VideoFile> clone() const override;

 private:
  const int64_t displayMs;
  detail::WxImageSource wxSource;
};
