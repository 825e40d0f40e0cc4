#include "media/open_media.h"

#include <algorithm>

#include "avifile/avi_system.h"
#include "media/ffmpeg_video_file.h"
#include "media/image_file_wx.h"

const std::vector<std::wstring>& videoExtensions() {
  static const std::vector<std::wstring> list = {
      L".avi", L".avs", L".dat", L".divx", L".f4v", L".flv", L".h265", L".m2ts", L".m2v",
      L".m4v", L".mkv", L".mov", L".mp4",  L".mpg", L".mts", L".mxf",  L".ogm",  L".ogv",
      L".qt",  L".ts",  L".vob", L".wmv",  L".265", L".3g2", L".3gp",  L".3gpp"};
  return list;
}

const std::vector<std::wstring>& imageExtensions() {
  static const std::vector<std::wstring> list = {L".bmp", L".gif", L".jpg",  L".jpeg",
                                                 L".png", L".tif", L".tiff", L".pcx",
                                                 L".pnm", L".tga", L".xpm"};
  return list;
}

namespace {

bool opensAsImage(const std::wstring& path) {
  const std::wstring extension = toLower(splitPath(path).extension);
  const auto& images = imageExtensions();
  return std::find(images.begin(), images.end(), extension) != images.end();
}

}  // namespace

std::shared_ptr<VideoFile> openMedia(const MediaOpenRequest& request) {
  if (opensAsImage(request.path))
    return std::make_shared<ImageFileWx>(request.path, request.imageDisplayMs);
  return std::make_shared<FFmpegVideoFile>(request.path, request.buffered, request.bufferLength);
}

bool mediaOpens(const std::wstring& path) {
  if (opensAsImage(path)) {
    detail::WxImageSource picture(path);
    picture.load();
    return !picture.getFrame().empty();
  }
  FFmpegVideoSource video(path);
  if (!video.open()) return false;
  RawImage frame = video.newFrame();
  const bool decoded = !frame.empty() && video.readNext(frame);
  video.close();
  return decoded;
}

void storeVideoFile(std::map<std::wstring, std::shared_ptr<VideoFile>>& table,
                    const std::wstring& path, std::shared_ptr<VideoFile> file) {
  table[path] = std::move(file);
}
