#include "videoimage/rawimage/raw_converter.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "videoimage/rawimage/converter_kernels.h"

namespace {

// The byte order a format is compared by: its own for unpacked 16-bit samples, else Default.
int comparedByteOrder(const RawFormat& format) { return std::get<4>(format.sortKey()); }

// Whether a frame of header a can be re-labelled as header b sample for sample: the same bit
// depth, neither bit-packed nor big-endian where the other is not.
bool sameSamples(const RawImageInfo& a, const RawImageInfo& b) {
  return a.bitDepth == b.bitDepth && a.packed == b.packed &&
         comparedByteOrder(a) == comparedByteOrder(b);
}

// The index list of a view from a reader's plain components (working plane -> stored plane):
// byComponent, entry [working plane] = stored plane; otherwise entry [stored plane] = working
// plane. Empty when one of the n entries stays unfilled.
std::vector<int> viewIndex(const std::map<int, int>& plain, int n, bool byComponent) {
  std::vector<int> index(static_cast<size_t>(n), -1);
  for (const auto& [component, plane] : plain) {
    const int at = byComponent ? component : plane;
    if (at >= 0 && at < n) index[static_cast<size_t>(at)] = byComponent ? plane : component;
  }
  for (int entry : index) {
    if (entry < 0) return {};
  }
  return index;
}

// The index list under which a frame of header `from` is re-labelled as header `to`, from the
// plain components of `reader`; empty when there is no such view.
std::vector<int> viewIndexFor(const RawImageInfo& from, const RawImageInfo& to,
                              const ReaderInterface& reader, bool byComponent) {
  if (!sameSamples(from, to) || from.bottomUp != to.bottomUp) return {};
  std::map<int, int> plain;
  reader.plainComponents(plain);
  return viewIndex(plain, to.planeCount(), byComponent);
}

// The frame re-labelled as `output` when the plain components of `reader` cover every plane.
template <class Frame>
Frame planarView(const Frame& source, RawImageInfo output, const ReaderInterface& reader,
                 bool byComponent) {
  const std::vector<int> index = viewIndexFor(source.getInfo(), output, reader, byComponent);
  if (index.empty()) return Frame();
  return source.reinterpret(index, std::move(output));
}

}  // namespace

// --- shared bodies

bool RawImageConverter::isOutputCompatible(const ConstRawFrame& source,
                                           const RawFrame& destination) const {
  return !destination.empty() && destination.getInfo() == outputInfo(source.getInfo());
}

RawImage RawImageConverter::allocateOutput(const ConstRawFrame& source) const {
  RawImage image(outputInfo(source.getInfo()));
  image.allocate();
  return image;
}

bool RawImageConverter::convert(const ConstRawFrame& source, RawImage& destination) {
  if (!isOutputCompatible(source, destination)) {
    RawImage fresh = allocateOutput(source);
    RawImage::moveFrom(destination, fresh);
  }
  return convertInto(source, destination);
}

ConstRawFrame RawImageConverter::convertFrame(const ConstRawFrame& source, RawImage& buffer) {
  ConstRawFrame viewed = view(source);
  if (!viewed.empty()) return viewed;
  if (!convert(source, buffer)) return ConstRawFrame();
  return ConstRawFrame(buffer);
}

namespace rawImageConverters {

// --- ToPlanarConverter

RawImageInfo ToPlanarConverter::outputInfo(const RawImageInfo& source) const {
  return source.getDecodedType();
}

RawFrame ToPlanarConverter::view(const RawFrame& source) const {
  if (source.empty() || !source.header.reader) return RawFrame();
  return planarView(source, outputInfo(source.header), *source.header.reader, true);
}

ConstRawFrame ToPlanarConverter::view(const ConstRawFrame& source) const {
  if (source.empty() || !source.header.reader) return ConstRawFrame();
  return planarView(source, outputInfo(source.header), *source.header.reader, true);
}

bool ToPlanarConverter::convertInto(const ConstRawFrame& source, RawFrame& destination) {
  if (source.empty() || !source.header.reader) return false;
  return source.decode(destination, planeMask);
}

// --- FromPlanarConverter

FromPlanarConverter::FromPlanarConverter(RawImageInfo target) : targetInfo(std::move(target)) {
  targetInfo.bindReader();
  servedInfo_ = targetInfo.getDecodedType();
}

RawImageInfo FromPlanarConverter::outputInfo(const RawImageInfo& source) const {
  return source == servedInfo_ ? targetInfo : RawImageInfo();
}

RawFrame FromPlanarConverter::view(const RawFrame& source) const {
  RawImageInfo output = outputInfo(source.header);
  if (source.empty() || !output.reader) return RawFrame();
  const std::shared_ptr<ReaderInterface> reader = output.reader;
  return planarView(source, std::move(output), *reader, false);
}

ConstRawFrame FromPlanarConverter::view(const ConstRawFrame& source) const {
  RawImageInfo output = outputInfo(source.header);
  if (source.empty() || !output.reader) return ConstRawFrame();
  const std::shared_ptr<ReaderInterface> reader = output.reader;
  return planarView(source, std::move(output), *reader, false);
}

bool FromPlanarConverter::convertInto(const ConstRawFrame& source, RawFrame& destination) {
  if (source.empty() || !targetInfo.reader || source.header != servedInfo_) return false;
  return source.encodeTo(destination);
}

// --- UniversalConverter

namespace {

int modelOf(ComponentOrder order) { return componentOrderInfo(order).yuvFlag; }

// 0 ("LE") for 16-bit samples, 1 ("default") otherwise: the byte order of working images.
int workingByteOrder(SampleType type) {
  return static_cast<int>(type == SampleType::Int16 ? ByteOrder::LE : ByteOrder::Default);
}

RawImageInfo targetHeader(const RawFormatSpec& target, const RawImageInfo& source) {
  return RawImageInfo(target, source.width, source.height);
}

}  // namespace

UniversalConverter::UniversalConverter(RawImageInfo source, RawFormatSpec target)
    : srcInfo(std::move(source)),
      targetSpec(std::move(target)),
      bpsConverter(static_cast<int>(srcInfo.sampleType), srcInfo.bitDepth,
                   workingByteOrder(srcInfo.sampleType), static_cast<int>(targetSpec.sampleType),
                   targetSpec.bitDepth, workingByteOrder(targetSpec.sampleType)),
      fromPlanar(targetHeader(targetSpec, srcInfo)) {
  rising = srcInfo.bitDepth < targetSpec.bitDepth;
  const int fromModel = modelOf(srcInfo.order);
  const int toModel = modelOf(targetSpec.order);
  modelChange = fromModel != toModel;
  sampleChange = !(bpsConverter.srcSampleType == bpsConverter.dstSampleType &&
                   bpsConverter.srcBits == bpsConverter.dstBits &&
                   bpsConverter.srcByteOrder == bpsConverter.dstByteOrder);
  // Both formats need readers that take the picture's width (interleaved 4:2:2 and semi-planar
  // chroma want an even one) and a colour model.
  RawImageInfo bound = srcInfo;
  bound.bindReader();
  servable = bound.reader && bound.reader->acceptsWidth() && fromPlanar.targetInfo.reader &&
             fromPlanar.targetInfo.reader->acceptsWidth() && (fromModel == 0 || fromModel == 1) &&
             (toModel == 0 || toModel == 1);
  if (servable && modelChange) {
    // The matrix works on the higher of the two depths: the target's when it rises.
    const SampleType type = rising ? targetSpec.sampleType : srcInfo.sampleType;
    const int bits = rising ? targetSpec.bitDepth : srcInfo.bitDepth;
    // Float samples are truncated by the last step when the target is integer.
    const int roundingBits = targetSpec.sampleType == SampleType::Float32 ? 0 : targetSpec.bitDepth;
    const bool gray = srcInfo.order == ComponentOrder::Y || targetSpec.order == ComponentOrder::Y;
    coefficients = std::make_unique<ColourCoefficients>(
        bt601Coefficients(fromModel, toModel, gray, static_cast<int>(type), bits, roundingBits));
    matrixConverter = MatrixConverter(coefficients->matrix, coefficients->offsets, toModel,
                                      static_cast<int>(type), bits);
  }
}

UniversalConverter::UniversalConverter(UniversalConverter&&) noexcept = default;
UniversalConverter& UniversalConverter::operator=(UniversalConverter&&) noexcept = default;
UniversalConverter::~UniversalConverter() = default;

RawImageInfo UniversalConverter::outputInfo(const RawImageInfo& source) const {
  if (source != srcInfo) return RawImageInfo();
  RawImageInfo info = targetHeader(targetSpec, srcInfo);
  info.bindReader();
  return info;
}

template <class Frame>
Frame UniversalConverter::viewChain(const Frame& source) const {
  if (source.empty() || !servable || source.header != srcInfo) return Frame();
  Frame cur = toPlanar.view(source);
  if (!cur.empty() && rising) cur = bpsConverter.view(cur);
  if (!cur.empty() && modelChange) cur = matrixConverter.view(cur);
  if (!cur.empty() && !rising) cur = bpsConverter.view(cur);
  if (cur.empty()) return Frame();
  return fromPlanar.view(cur);
}

RawFrame UniversalConverter::view(const RawFrame& source) const { return viewChain(source); }

ConstRawFrame UniversalConverter::view(const ConstRawFrame& source) const {
  return viewChain(source);
}

bool UniversalConverter::convertInto(const ConstRawFrame& source, RawFrame& destination) {
  if (source.empty() || !servable || source.header != srcInfo) return false;
  if (destination.getInfo() == fromPlanar.targetInfo &&
      destination.planeCount() == fromPlanar.targetInfo.planeCount() &&
      (bands_ || (!noBands_ && planBands(source.header)))) {
    return convertBands(source, destination);
  }
  return convertWhole(source, destination);
}

bool UniversalConverter::convertWhole(const ConstRawFrame& source, RawFrame& destination) {
  if (source.empty() || !servable || source.header != srcInfo) return false;
  // The images are re-allocated at the picture's size: the bands' frames over them would dangle.
  bands_.reset();
  ConstRawFrame cur = toPlanar.convertFrame(source, toPlanarImage);
  if (rising) cur = bpsConverter.convertFrame(cur, bpsImage);
  if (modelChange) cur = matrixConverter.convertFrame(cur, matrixImage);
  if (!rising) cur = bpsConverter.convertFrame(cur, bpsImage);
  return fromPlanar.convertInto(cur, destination);
}

void UniversalConverter::setBandRows(int rows) {
  bandRows_ = rows <= 0 ? 0 : (rows + 3) / 4 * 4;
  bands_.reset();
  noBands_ = false;
}

// --- band by band

// The chain's frames for bands of one height.
struct UniversalConverter::Stage {
  int rows = 0;
  ConstRawFrame source;         // its planes are set for each band
  RawFrame target;              // likewise
  std::vector<int> planarView;  // the source re-labelled as its working image, when it is one
  RawImageInfo planarHeader;
  // The steps' outputs over the converter's images; a step that does not run has none.
  RawFrame planar, firstSample, matrix, lastSample;
  ConstRawFrame planarIn, firstSampleIn, matrixIn, lastSampleIn;  // the same, read-only
};

struct UniversalConverter::BandPlan {
  int rows = 0;
  int height = 0;  // of the picture
  // Per stored plane: picture rows per stored row (chroma subsampling), of source and target.
  std::vector<int> sourceStep, targetStep;
  Stage full;
  std::unique_ptr<Stage> last;  // the last band, when it is shorter

  // A subsampled YUV source whose matrix step follows its planar step reaches the matrix
  // without its chroma repeated: the products of each chroma sample are made once for all the
  // pixels it covers (the same products and sums as over the repeated chroma).
  bool subsampled = false;
  kernels::SubsampledRowsFn subsampledRows = nullptr;
  int lumaPlane = 0, uPlane = 1, vPlane = 2;  // stored planes of Y, U, V
  int rowStep = 1;                            // picture rows per chroma row
  float offsets[3] = {};
  float maxValue = 0.0f;
};

namespace {

// Rows per band: a band's working image of about 128 KiB stays in the processor's cache with
// the images of the steps around it.
constexpr int kBandBytes = 128 * 1024;

int bandRowsFor(int width, SampleType working) {
  const int64_t rowBytes = int64_t{3} * width * std::max(1, sampleTypeInfo(working).bytesPerSample);
  const int64_t rows = kBandBytes / std::max<int64_t>(1, rowBytes);
  return static_cast<int>(std::max<int64_t>(4, rows / 4 * 4));
}

// Picture rows per stored row of each plane for bands of `rows` rows, or empty when a plane's
// rows cannot be cut at band edges: each band must hold whole stored rows of every plane, and a
// bottom-up plane full rows (its bands are counted from the bottom).
std::vector<int> rowSteps(const RawImageInfo& band, const RawImageInfo& whole) {
  std::vector<int> steps;
  for (int p = 0; p < whole.planeCount(); ++p) {
    const int bandRows = band.planeHeight(p);
    if (bandRows <= 0 || band.height % bandRows != 0) return {};
    const int step = band.height / bandRows;
    if (whole.planeHeight(p) != (whole.height + step - 1) / step || (whole.bottomUp && step != 1)) {
      return {};
    }
    steps.push_back(step);
  }
  return steps;
}

// The frame `header` at rows y0 .. y0 + h - 1 of a picture `height` rows high, over `whole`'s
// planes.
template <class Frame>
void pointAtBand(Frame& band, const Frame& whole, const std::vector<int>& steps, int y0, int h,
                 int height) {
  for (size_t p = 0; p < band.planes.size(); ++p) {
    const int first = whole.header.bottomUp ? height - y0 - h : y0 / steps[p];
    band.planes[p] = {
        whole.planes[p].data + static_cast<std::ptrdiff_t>(first) * whole.planes[p].stride,
        whole.planes[p].stride};
  }
}

// A frame of `header` over an image laid out for a band at least as tall.
RawFrame frameOver(const RawImage& image, const RawImageInfo& header) {
  RawFrame frame(header);
  frame.planes = image.planes;
  return frame;
}

}  // namespace

bool UniversalConverter::planBands(const RawImageInfo& source) {
  const int height = srcInfo.height;
  const SampleType working = rising ? targetSpec.sampleType : srcInfo.sampleType;
  const int rows = bandRows_ > 0 ? bandRows_ : bandRowsFor(srcInfo.width, working);
  // Planned once: whether the picture can be cut depends on its formats and size alone.
  noBands_ = true;
  if (!source.reader || rows >= height) return false;

  auto plan = std::make_unique<BandPlan>();
  plan->rows = rows;
  plan->height = height;
  planSubsampled(*plan, source);
  // Images for the full band; the last band's frames use their first rows.
  auto makeStage = [&](int h, bool allocate) -> std::unique_ptr<Stage> {
    auto stage = std::make_unique<Stage>();
    stage->rows = h;
    RawImageInfo sourceBand = srcInfo;
    sourceBand.height = h;
    sourceBand.bindReader();
    RawImageInfo targetBand = targetHeader(targetSpec, sourceBand);
    targetBand.bindReader();
    if (!sourceBand.reader || !targetBand.reader) return nullptr;
    stage->planarHeader = sourceBand.getDecodedType();
    stage->planarView = viewIndexFor(sourceBand, stage->planarHeader, *sourceBand.reader, true);
    RawImageInfo cur = stage->planarHeader;
    auto step = [&](RawImage& image, RawImageInfo out, RawFrame& frame, ConstRawFrame& in) {
      if (allocate) {
        image = RawImage(out);
        if (!image.allocate()) return false;
      }
      frame = frameOver(image, out);
      in = ConstRawFrame(frame);
      cur = std::move(out);
      return true;
    };
    if (stage->planarView.empty() && !plan->subsampled &&
        !step(toPlanarImage, stage->planarHeader, stage->planar, stage->planarIn)) {
      return nullptr;
    }
    if (rising && sampleChange &&
        !step(bpsImage, bpsConverter.outputInfo(cur), stage->firstSample, stage->firstSampleIn)) {
      return nullptr;
    }
    if (modelChange &&
        !step(matrixImage, matrixConverter.outputInfo(cur), stage->matrix, stage->matrixIn)) {
      return nullptr;
    }
    if (!rising && sampleChange &&
        !step(bpsImage, bpsConverter.outputInfo(cur), stage->lastSample, stage->lastSampleIn)) {
      return nullptr;
    }
    stage->source = ConstRawFrame(sourceBand);
    stage->source.planes.resize(static_cast<size_t>(sourceBand.planeCount()));
    stage->target = RawFrame(targetBand);
    stage->target.planes.resize(static_cast<size_t>(targetBand.planeCount()));
    return stage;
  };

  std::unique_ptr<Stage> full = makeStage(rows, true);
  if (!full) return false;
  plan->sourceStep = rowSteps(full->source.header, source);
  plan->targetStep = rowSteps(full->target.header, fromPlanar.targetInfo);
  if (plan->sourceStep.empty() || plan->targetStep.empty()) return false;
  plan->full = std::move(*full);
  if (height % rows != 0) {
    plan->last = makeStage(height % rows, false);
    if (!plan->last) return false;
  }
  bands_ = std::move(plan);
  noBands_ = false;
  return true;
}

bool UniversalConverter::convertBands(const ConstRawFrame& source, RawFrame& destination) {
  BandPlan& plan = *bands_;
  for (int y0 = 0; y0 < plan.height; y0 += plan.rows) {
    Stage& stage = plan.height - y0 >= plan.rows ? plan.full : *plan.last;
    if (!convertBand(stage, source, destination, y0)) return false;
  }
  return true;
}

void UniversalConverter::planSubsampled(BandPlan& plan, const RawImageInfo& source) const {
  // Horizontal and vertical chroma steps of the layouts whose chroma planes repeat on decode.
  int columnStep = 0;
  int rowStep = 0;
  switch (source.layout) {
    case ChromaLayout::Planar_422:
      columnStep = 2, rowStep = 1;
      break;
    case ChromaLayout::Planar_420:
      columnStep = 2, rowStep = 2;
      break;
    case ChromaLayout::Planar_411:
      columnStep = 4, rowStep = 1;
      break;
    case ChromaLayout::Planar_410:
      columnStep = 4, rowStep = 4;
      break;
    default:
      return;
  }
  const bool integer =
      (source.sampleType == SampleType::Int8 && source.bitDepth >= 1 && source.bitDepth <= 8) ||
      (source.sampleType == SampleType::Int16 && source.byteOrder == ByteOrder::LE &&
       source.bitDepth >= 1 && source.bitDepth <= 16);
  if (!modelChange || (rising && sampleChange) || !integer || source.packed || source.bottomUp ||
      !coefficients || source.planeCount() != 3) {
    return;
  }
  float offsets[3];
  float maxValue;
  matrixConverter.scaledOffsets(offsets, &maxValue);
  plan.subsampledRows = kernels::subsampledMatrixRoutine(
      sampleTypeInfo(source.sampleType).bytesPerSample, columnStep, coefficients->matrix, offsets);
  if (!plan.subsampledRows) return;
  int planes[3];
  source.reader->componentOrder(planes);
  const int width = source.width;
  for (int k = 1; k < 3; ++k) {
    if (source.reader->planeWidth(planes[k]) != (width + columnStep - 1) / columnStep ||
        source.planeHeight(planes[k]) != (source.height + rowStep - 1) / rowStep) {
      return;
    }
  }
  if (source.reader->planeWidth(planes[0]) != width ||
      source.planeHeight(planes[0]) != source.height) {
    return;
  }
  plan.subsampled = true;
  plan.lumaPlane = planes[0];
  plan.uPlane = planes[1];
  plan.vPlane = planes[2];
  plan.rowStep = rowStep;
  std::copy(offsets, offsets + 3, plan.offsets);
  plan.maxValue = maxValue;
}

void UniversalConverter::subsampledMatrix(BandPlan& plan, Stage& stage, const ConstRawFrame& source,
                                          int y0) {
  const void* luma[2];
  void* dst[6];
  // Two rows at a time where they share their chroma row.
  for (int y = 0; y < stage.rows;) {
    const int row = y0 + y;
    const int chromaRow = row / plan.rowStep;
    const int rows = y + 1 < stage.rows && (row + 1) / plan.rowStep == chromaRow ? 2 : 1;
    for (int r = 0; r < rows; ++r) {
      luma[r] = source.row(plan.lumaPlane, row + r);
      for (int k = 0; k < 3; ++k) dst[3 * r + k] = stage.matrix.row(k, y + r);
    }
    plan.subsampledRows(source.row(plan.uPlane, chromaRow), source.row(plan.vPlane, chromaRow),
                        luma, dst, rows, srcInfo.width, coefficients->matrix, plan.offsets,
                        plan.maxValue);
    y += rows;
  }
}

bool UniversalConverter::convertBand(Stage& stage, const ConstRawFrame& source,
                                     RawFrame& destination, int y0) {
  BandPlan& plan = *bands_;
  pointAtBand(stage.target, destination, plan.targetStep, y0, stage.rows, plan.height);
  if (plan.subsampled) {
    subsampledMatrix(plan, stage, source, y0);
    return finishBand(stage, &stage.matrixIn);
  }
  pointAtBand(stage.source, source, plan.sourceStep, y0, stage.rows, plan.height);

  ConstRawFrame viewed;
  const ConstRawFrame* cur = &stage.planarIn;
  if (!stage.planarView.empty()) {
    viewed = stage.source.reinterpret(stage.planarView, stage.planarHeader);
    cur = &viewed;
  } else if (!stage.source.decode(stage.planar, toPlanar.planeMask)) {
    return false;
  }
  if (rising && sampleChange) {
    if (!bpsConverter.convertInto(*cur, stage.firstSample)) return false;
    cur = &stage.firstSampleIn;
  }
  if (modelChange) {
    if (!matrixConverter.convertInto(*cur, stage.matrix)) return false;
    cur = &stage.matrixIn;
  }
  return finishBand(stage, cur);
}

bool UniversalConverter::finishBand(Stage& stage, const ConstRawFrame* cur) {
  if (!rising && sampleChange) {
    if (!bpsConverter.convertInto(*cur, stage.lastSample)) return false;
    cur = &stage.lastSampleIn;
  }
  return cur->encodeTo(stage.target);
}

}  // namespace rawImageConverters

RawImage convertRawFrame(const ConstRawFrame& source, const RawFormatSpec& target) {
  rawImageConverters::UniversalConverter converter(source.getInfo(), target);
  RawImage result;
  if (!converter.convert(source, result)) return RawImage();
  return result;
}
