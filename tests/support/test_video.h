// Test videos written with the FFmpeg libraries at test time, each frame showing its own number.
//
// A frame shows its number as a 4 x 4 grid of black and white cells over the whole picture:
// 12 bits of the number and 4 check bits, large enough to survive lossy codecs, chroma
// subsampling and conversion to any pixel format. frameNumberOf reads it back from a picture.
// Nothing here is thread-safe beyond what the FFmpeg libraries are: call from one thread.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vixo_test {

struct VideoSpec {
  std::string container = "matroska";   // muxer short name: avi, mp4, matroska, mpegts, ...
  std::string codec = "ffv1";           // encoder name: mpeg4, libx264, ffv1, rawvideo, ...
  std::string pixelFormat = "yuv420p";  // what the encoder is fed
  int width = 64;
  int height = 48;
  int frames = 25;
  int rateNum = 25;  // frames per second, as a fraction
  int rateDen = 1;
  int gop = 12;     // distance of key frames
  int bFrames = 0;  // consecutive B frames at most
  int quality = 3;  // quantiser of the codecs that take one (mpeg4, mpeg2video)
  // Private encoder options, e.g. {"preset", "ultrafast"} for libx264.
  std::map<std::string, std::string> options;
  // Muxer options, e.g. {"allow_raw_vfw", "1"} for raw pictures in Matroska.
  std::map<std::string, std::string> muxerOptions;
  // From frame resizeAt on (0: never) the frames have the second size, encoded by a fresh
  // encoder into the same stream. Needs headers in band (libx264 in mpegts).
  int resizeAt = 0;
  int width2 = 0;
  int height2 = 0;
  // Variable frame times: frame n lasts durationsMs[n % size] milliseconds (time base 1/1000).
  std::vector<int> durationsMs;
  bool video = true;   // false: an audio-only file
  bool audio = false;  // adds an audio stream of silence
  // Replaces the codec's four-character tag in the file's headers afterwards (AVI), so that
  // the demuxer meets a codec it does not know.
  std::string fourcc;
};

// Writes the video; returns the empty string, or why it could not be written.
std::string writeVideo(const std::string& path, const VideoSpec& spec);

// A video written by the ffmpeg command rather than by the libraries: frames showing their
// numbers (as drawFrameNumber draws them) are piped to the command as raw gray pictures at the
// given rate (a fraction such as "24000/1001"), and `outputArgs` (e.g. "-c:v ffv1 -pix_fmt
// yuv422p") say how it encodes them. Returns the empty string, or why it could not be written.
std::string writeVideoWithCommand(const std::string& path, int width, int height, int frames,
                                  const std::string& rate, const std::string& outputArgs);

// Colour stripes written by the ffmpeg command (its lavfi source): red, green and blue change
// every 1, 3 and 5 pixels across and blue also every 2 rows, and the stripes move a pixel to the
// left each frame, so that every chroma sample differs from its neighbours.
std::string writeStripesWithCommand(const std::string& path, int width, int height, int frames,
                                    const std::string& outputArgs);

// The frames of a video as the ffmpeg command converts them to packed B, G, R bytes (its default
// conversion), one after another; empty when the command fails.
std::string bgr24ByCommand(const std::string& path);

// The grid pattern of frame n in an 8-bit gray picture (255 for a set bit).
void drawFrameNumber(int n, uint8_t* gray, int stride, int width, int height);

// The number a picture shows, or -1 when its cells do not form a valid pattern. brightness(x, y)
// gives the picture's brightness at a pixel, from 0 to 1.
int frameNumberOf(int width, int height, const std::function<double(int x, int y)>& brightness);
// The same for a packed 8-bit picture of three components per pixel (B, G, R or R, G, B).
int frameNumberOfPacked24(const uint8_t* data, int stride, int width, int height);

// The presentation time stamp in milliseconds of frame n of a spec with durationsMs.
int64_t variableFrameTimeMs(const VideoSpec& spec, int n);

// A catalogue of small named test videos, written on first use into a folder that lives as long
// as the object. Names:
//   "mpeg4.avi"       MPEG-4 Part 2 with B frames, 40 frames, key frame every 12, audio
//   "h264.mp4"        H.264 with B frames, 40 frames, key frame every 12, audio
//   "ffv1.mkv"        FFV1 (every frame a key frame), 30 frames
//   "bgr24.mkv"       raw BGR pictures, 20 frames
//   "yuv422p10.mkv"   FFV1, 10-bit 4:2:2, 20 frames, key frame every 5
//   "mjpeg.avi"       Motion JPEG (full-range YUV 4:2:0), 10 frames
//   "vfr.mkv"         H.264 with B frames and variable frame times, 30 frames
//   "resize.ts"       H.264 in MPEG-TS, 64x48 up to frame 10, then 96x64; 20 frames
//   "audio.mka"       audio only
//   "unknown_tag.avi" MPEG-4 Part 2 under a codec tag nobody knows
//   "truncated.avi"   "mpeg4.avi" cut at 60% of its length
//   "truncated.mp4"   "h264.mp4" cut at 60% of its length
// All pictures are 64x48 unless said otherwise, at 25 frames per second.
class TestVideos {
 public:
  TestVideos();
  ~TestVideos();
  TestVideos(const TestVideos&) = delete;
  TestVideos& operator=(const TestVideos&) = delete;

  // The named video's path (written on first use); empty, and a test failure, when it cannot be
  // written.
  std::string path(const std::string& name);
  // What a named video is written from: codec, container, size and frames (for truncated files:
  // those of the whole file).
  static VideoSpec spec(const std::string& name);
  // The folder the videos are written to.
  const std::string& folder() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace vixo_test
