#include "task/task_properties.h"

#include "task/vixo_method.h"

Any findPropertyValue(const PropertyMap& map, const std::string& key, const Any& fallback) {
  const auto it = map.find(key);
  return it == map.end() || it->second.empty() ? fallback : it->second;
}

namespace props {

const Any* Property::stored(const PropertyMap& map) const {
  auto it = map.find(key);
  return it == map.end() || it->second.empty() ? nullptr : &it->second;
}

PropertyDescription Property::describeWith(
    std::shared_ptr<AviFile::PropertyValidatorBase> validator) const {
  return PropertyDescription(key, label, label, help, std::move(validator));
}

long long Integer::getIntegerProperty(const PropertyMap& map) const {
  const Any* value = stored(map);
  return value ? (*value)->toInteger(defaultValue) : defaultValue;
}

PropertyDescription Integer::describe() const {
  PropertyDescription d =
      describeWith(std::make_shared<AviFile::IntegerValidator<long long>>(defaultValue, min, max));
  d.unit = unit;
  d.spinEditor = spinEditor;
  return d;
}

bool Boolean::getBoolProperty(const PropertyMap& map) const {
  const Any* value = stored(map);
  const bool* v = value ? value->as<bool>() : nullptr;
  return v ? *v : defaultValue;
}

PropertyDescription Boolean::describe() const {
  return describeWith(std::make_shared<AviFile::BoolValidator>(defaultValue));
}

std::wstring String::getStringProperty(const PropertyMap& map) const {
  const Any* value = stored(map);
  const std::string* v = value ? value->as<std::string>() : nullptr;
  return fromUtf8(v ? *v : defaultValue);
}

PropertyDescription String::describe() const {
  return describeWith(std::make_shared<AviFile::StringValidator>(defaultValue));
}

}  // namespace props

namespace {

props::Integer integer(std::string key, std::string label, std::wstring help, long long def,
                       long long min, long long max, std::wstring unit, bool spin) {
  props::Integer p(std::move(key), std::move(label), std::move(help), def);
  p.setUnit(std::move(unit));
  p.min = min;
  p.max = max;
  p.spinEditor = spin;
  return p;
}

std::vector<std::pair<const VIXOmethod*, std::string>> methodChoices() {
  std::vector<std::pair<const VIXOmethod*, std::string>> entries{{nullptr, "Select method"}};
  for (const VIXOmethod* m : getTestMethods()) entries.emplace_back(m, m->name);
  return entries;
}

}  // namespace

VixoProperties::VixoProperties()
    : method("method", "Method", L"", methodChoices()),
      cycles(integer("cycles", "Cycles",
                     L"Number of test cycles for one test session. Questions will not be repeated "
                     L"during one cycle. Each cycle consists the similar number of questions",
                     1, 1, 10, L"cycles", true)),
      pauseAllowed("pauseAllowed", "Pause allowed", L"Allow observer pause video while playback",
                   true),
      repetitions(integer("repetitions", "Repetitions",
                          L"Repeat each pair this number of times (1-10)", 1, 1, 10, L"time(s)",
                          true)),
      shuffleSources("shuffleSources", "Shuffle sources",
                     L"If checked, questions will appear in random order", true),
      trainingQuestions(integer("trainingQuestions", "Training questions",
                                L"the number of questions that will be used for training to "
                                L"stabilize observers opinion. Their results will be discarded.",
                                5, 0, 20, L"question(s)", true)),
      limitPairs(integer("limitPairs", "Pair limit",
                         L"limit the number of pairs in test to this number. Such a number of "
                         L"random pairs will be showed.\n0 means all pairs",
                         50, 0, 500, L"pairs", true)),
      scacjScale("scacjScale", "Scale type",
                 L"Binary scale means user can only select better image (left or right).\n-3..3 "
                 L"scale means that user can choose how much one image is better than another",
                 {{Scale3, "-3..3 scale"}, {BinaryScale, "binary scale"}}),
      bgColor("bgColor", "Background color", L"The color of area around video", 0),
      margin(integer("margin", "Margin", L"Margins in percents of screen", 5, 0, 20, L"%", false)),
      audio("audio", "Audio", L"Play audio if present in video container", true),
      scaling("scaling", "Scaling",
              L"Resizing of video if not matched selected screen size and margins",
              {{OnlyDownscale, "Only downscale"}, {UpOrDownscale, "Upscale or downscale"}}),
      progress("progress", "Show progress bar",
               L"Display progress bar of video at the top of window while video is playing", true),
      bufferLength(integer("bufferLength", "Buffer length",
                           L"Buffer length of video in seconds. Increase this value if video slows "
                           L"down, but it will affect the memory consumption",
                           1, 0, 100, L"sec", true)),
      imageLength(integer("imageLength", "Image duration", L"Duration of images in milliseconds",
                          10000, 1, 100000, L"ms", false)),
      customQuestionType(
          "customQuestionType", "Custom question type",
          L"One video - the observer sees and evaluates only one video per question\nAll to ref - "
          L"the observer sees one distorted image and one reference during question. Observer "
          L"evaluates distorted video\nAll to all - the observer sees random pairs. Then observer "
          L"chooses better picture",
          {{OneVideo, "One video"}, {AllToRef, "All to ref"}, {AllToAll, "All to all"}}),
      customQuestionPairDisplay(
          "customQuestionPairDisplay", "Pair display",
          L"Type of displaying image pair. Applicable only if 'Custom question type' is 'All to "
          L"ref' or 'All to all'Simultaneously - show videos side by side. Reference is always "
          L"left if present\nSubsequent - show video one after another. Reference is always first "
          L"if present\n",
          {{Simultaneously, "Simultaneously"}, {Subsequent, "Subsequent"}}),
      customQuestion("customQuestion", "Custom question",
                     L"See instructions in the dialog window to know, how to fill this field", ""),
      customQuestionInstructions("customQuestionInstructions", "Instructions",
                                 L"Instructions for the first video (or video pair)", ""),
      customQuestionInstructions2("customQuestionInstructions2", "Instructions 2",
                                  L"Instructions for the second video. Applicable only if 'Pair "
                                  L"display' is 'Subsequent'",
                                  ""),
      network("network", "Online run", L"Check this to run test in online mode", false),
      networkMaxTime(integer("networkMaxTime", "Minimum time for answer",
                             L"This time should pass before next question, even if all observers "
                             L"have already answered",
                             7, 0, 100, L"sec", true)),
      networkMinTime(integer("networkMinTime", "Maximum time for answer",
                             L"The next question will be after this time, even if not all "
                             L"observers have answered. Operator can manually stop countdown. 0 "
                             L"for infinite",
                             0, 0, 100, L"sec", true)),
      networkInstrTime(integer("networkInstrTime", "Instructions display time",
                               L"Time to display insttructions. Operator can manually stop "
                               L"countdown or continue. 0 for manual continue",
                               0, 0, 100, L"sec", true)),
      relativePaths("relativePaths", "Relative paths",
                    L"If checked, you can move the project file with the video to another "
                    L"computer, or run the project through a network folder.\nNote: no video files "
                    L"are saved into project, you should keep them available when running.\nNote: "
                    L"to do this, the files must be in the same partition.\n\nFor absolute paths, "
                    L"you can move the project file to another folder without moving the video.",
                    true),
      resultCollectingEmail("resultCollectingEmail", "Result collecting e-mail",
                            L"If not empty, an observer will be asked to send results to specified "
                            L"e-mail. You can apply these results via \"Import\" option",
                            ""),
      resultCollectingFtp(
          "resultCollectingFtp", "Result collecting FTP",
          L"FTP server address in form user@server:port (\"user@\" and \":port\" "
          L"is optional). If not empty, results will be uploaded to this FTP server "
          L"after finishing a test. You can apply these results via \"Import\" "
          L"option",
          ""),
      resultCollectingFtpPass("resultCollectingFtpPass", "FTP password",
                              L"Password for ftp server. Specified user shold be able to upload a "
                              L"file",
                              ""),
      resultCollectingFtpDir("resultCollectingFtpDir", "FTP directory",
                             L"Directory on FTP for file uploading", "/") {
  taskGroup = {&method};
  methodGroup = {&cycles,
                 &repetitions,
                 &shuffleSources,
                 &scacjScale,
                 &trainingQuestions,
                 &limitPairs,
                 &customQuestionType,
                 &customQuestionPairDisplay,
                 &customQuestion,
                 &customQuestionInstructions,
                 &customQuestionInstructions2};
  displayGroup = {&bgColor,      &margin,      &scaling,     &progress,
                  &bufferLength, &imageLength, &pauseAllowed};
  fileGroup = {&relativePaths, &resultCollectingEmail, &resultCollectingFtp,
               &resultCollectingFtpPass, &resultCollectingFtpDir};
  onlineGroup = {&network, &networkMaxTime, &networkMinTime, &networkInstrTime};
  groups = {&taskGroup, &methodGroup, &displayGroup, &fileGroup, &onlineGroup};
  all_ = {&method,
          &cycles,
          &pauseAllowed,
          &repetitions,
          &shuffleSources,
          &trainingQuestions,
          &limitPairs,
          &scacjScale,
          &bgColor,
          &margin,
          &audio,
          &scaling,
          &progress,
          &bufferLength,
          &imageLength,
          &customQuestionType,
          &customQuestionPairDisplay,
          &customQuestion,
          &customQuestionInstructions,
          &customQuestionInstructions2,
          &network,
          &networkMaxTime,
          &networkMinTime,
          &networkInstrTime,
          &relativePaths,
          &resultCollectingEmail,
          &resultCollectingFtp,
          &resultCollectingFtpPass,
          &resultCollectingFtpDir};
}

const char* VixoProperties::groupCaption(size_t i) {
  static const char* const captions[] = {"Task", "Method", "Display", "File", "Online test"};
  return i < 5 ? captions[i] : "";
}

std::vector<const props::Property*> VixoProperties::inTableOrder(
    std::initializer_list<const props::Property*> set) const {
  std::vector<const props::Property*> out;
  for (const props::Property* p : all_)
    for (const props::Property* wanted : set)
      if (p == wanted) out.push_back(p);
  return out;
}

const VixoProperties& getTaskProperties() {
  static const VixoProperties table;
  return table;
}

int samePropertyValues(const PropertyMap& a, const PropertyMap& b) {
  auto ia = a.begin(), ib = b.begin();
  auto skip = [](PropertyMap::const_iterator& it, const PropertyMap& m) {
    while (it != m.end() && it->second.empty()) ++it;
  };
  for (;;) {
    skip(ia, a);
    skip(ib, b);
    if (ia == a.end()) return ib == b.end() ? 0 : -1;
    if (ib == b.end()) return 1;
    if (ia->first < ib->first) return -1;
    if (ib->first < ia->first) return 1;
    const int c = ia->second->compare(ib->second.get());
    if (c != 0) return c < 0 ? -1 : 1;
    ++ia;
    ++ib;
  }
}
