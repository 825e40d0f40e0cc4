#include "task/task_properties.h"

#include <gtest/gtest.h>

#include <set>

#include "avifile/avi_system.h"
#include "task/task.h"
#include "task/vixo_method.h"

namespace {

const VixoProperties& table() { return getTaskProperties(); }

TEST(TaskProperties, AnEmptyMapReadsTheDefaults) {
  const PropertyMap empty;
  const VixoProperties& p = table();
  const struct {
    const props::Integer* property;
    long long value;
  } integers[] = {{&p.cycles, 1},           {&p.repetitions, 1},    {&p.trainingQuestions, 5},
                  {&p.limitPairs, 50},      {&p.margin, 5},         {&p.bufferLength, 1},
                  {&p.imageLength, 10000},  {&p.networkMaxTime, 7}, {&p.networkMinTime, 0},
                  {&p.networkInstrTime, 0}, {&p.bgColor, 0}};
  for (const auto& row : integers) {
    SCOPED_TRACE(row.property->key);
    EXPECT_EQ(row.property->getIntegerProperty(empty), row.value);
  }
  for (const props::Boolean* b :
       {&p.pauseAllowed, &p.shuffleSources, &p.audio, &p.progress, &p.relativePaths})
    EXPECT_TRUE(b->getBoolProperty(empty)) << b->key;
  EXPECT_FALSE(p.network.getBoolProperty(empty));
  EXPECT_EQ(p.resultCollectingFtpDir.getStringProperty(empty), L"/");
  for (const props::String* s :
       {&p.customQuestion, &p.customQuestionInstructions, &p.customQuestionInstructions2,
        &p.resultCollectingEmail, &p.resultCollectingFtp, &p.resultCollectingFtpPass})
    EXPECT_EQ(s->getStringProperty(empty), L"") << s->key;
  EXPECT_EQ(p.method.getEnumeratedProperty(empty), nullptr);
  EXPECT_EQ(p.scacjScale.getEnumeratedProperty(empty), VixoProperties::BinaryScale);
  EXPECT_EQ(p.scaling.getEnumeratedProperty(empty), VixoProperties::OnlyDownscale);
  EXPECT_EQ(p.customQuestionType.getEnumeratedProperty(empty), VixoProperties::OneVideo);
  EXPECT_EQ(p.customQuestionPairDisplay.getEnumeratedProperty(empty),
            VixoProperties::Simultaneously);
}

TEST(TaskProperties, StoredValuesAreReadOnlyWhenOfTheRightKind) {
  const VixoProperties& p = table();
  const struct {
    Any stored;
    long long cycles;
  } integerRows[] = {{Any::of(50LL), 50},  // not clamped to the range
                     {Any::of(7), 7},     {makeStringValue("3"), 1},
                     {Any::of(3.0), 1},   {Any::of(true), 1},
                     {Any(), 1}};
  for (const auto& row : integerRows) {
    SCOPED_TRACE(anyToText(row.stored));
    PropertyMap map{{"cycles", row.stored}};
    EXPECT_EQ(p.cycles.getIntegerProperty(map), row.cycles);
  }
  EXPECT_FALSE(p.network.getBoolProperty({{"network", Any::of(1LL)}}));
  EXPECT_TRUE(p.network.getBoolProperty({{"network", Any::of(true)}}));
  EXPECT_EQ(p.customQuestion.getStringProperty({{"customQuestion", makeStringValue("\xC3\xA9")}}),
            L"\u00e9");
  EXPECT_EQ(p.customQuestion.getStringProperty({{"customQuestion", makeStringValue("\xC3")}}), L"");
  EXPECT_EQ(p.resultCollectingFtpDir.getStringProperty({{"resultCollectingFtpDir", Any::of(1LL)}}),
            L"/");

  const struct {
    Any stored;
    VixoProperties::ScacjScale value;
  } scaleRows[] = {{makeStringValue("-3..3 scale"), VixoProperties::Scale3},
                   {makeStringValue("binary scale"), VixoProperties::BinaryScale},
                   {makeStringValue("Binary scale"), VixoProperties::BinaryScale},
                   {Any::of(1LL), VixoProperties::BinaryScale},  // a number is not a choice
                   {Any::of(1), VixoProperties::BinaryScale}};
  for (const auto& row : scaleRows) {
    SCOPED_TRACE(anyToText(row.stored));
    EXPECT_EQ(p.scacjScale.getEnumeratedProperty({{"scacjScale", row.stored}}), row.value);
  }
  EXPECT_EQ(p.scaling.getEnumeratedProperty({{"scaling", makeStringValue("Upscale or downscale")}}),
            VixoProperties::UpOrDownscale);
}

// The lookups and setters other subsystems call by name.
TEST(TaskProperties, LookupKeyAndUnit) {
  const PropertyMap map{{"cycles", Any::of(3LL)}, {"margin", Any()}};
  const Any fallback = makeStringValue("fb");
  EXPECT_EQ(anyToText(findPropertyValue(map, "cycles")), "3");
  EXPECT_EQ(anyToText(findPropertyValue(map, "cycles", fallback)), "3");
  EXPECT_EQ(anyToText(findPropertyValue(map, "margin", fallback)), "fb");  // empty: not set
  EXPECT_EQ(anyToText(findPropertyValue(map, "audio", fallback)), "fb");
  EXPECT_TRUE(findPropertyValue(map, "audio").empty());

  const VixoProperties& p = table();
  EXPECT_EQ(p.limitPairs.getKey(), "limitPairs");
  const props::Property& asBase = p.network;
  EXPECT_EQ(asBase.getKey(), "network");

  props::Integer seconds("wait", "Wait", L"", 1);
  props::Integer& same = seconds.setUnit(L"sec");
  EXPECT_EQ(&same, &seconds);
  EXPECT_EQ(seconds.describe().unit, L"sec");
  EXPECT_EQ(p.bufferLength.describe().unit, L"sec");
}

TEST(TaskProperties, DescriptionsForTheGrid) {
  const VixoProperties& p = table();
  const PropertyDescription cycles = p.cycles.describe();
  EXPECT_EQ(cycles.name, "cycles");
  EXPECT_EQ(cycles.label, "Cycles");
  EXPECT_EQ(cycles.caption, "Cycles");
  EXPECT_EQ(cycles.unit, L"cycles");
  EXPECT_TRUE(cycles.spinEditor);
  auto* range = dynamic_cast<AviFile::IntegerValidator<long long>*>(cycles.validator.get());
  ASSERT_NE(range, nullptr);
  EXPECT_EQ(range->min(), 1);
  EXPECT_EQ(range->max(), 10);
  EXPECT_EQ(*range->defaultValue().as<long long>(), 1);

  // an unset enumerated property shows its default choice's name
  EXPECT_EQ(*p.scacjScale.describe().validator->defaultValue().as<std::string>(), "binary scale");
  EXPECT_EQ(p.scacjScale.defaultIndex, 1);
  EXPECT_EQ(*p.method.describe().validator->defaultValue().as<std::string>(), "Select method");
  EXPECT_EQ(*p.scaling.describe().validator->defaultValue().as<std::string>(), "Only downscale");
  // its validator numbers the choices by position: 1 is "binary scale" there
  EXPECT_EQ(*p.scacjScale.describe().validator->normalize(Any::of(1LL)).as<std::string>(),
            "binary scale");

  const PropertyDescription color = p.bgColor.describe();
  EXPECT_FALSE(color.spinEditor);
  EXPECT_EQ(color.unit, L"");
  EXPECT_TRUE(dynamic_cast<AviFile::BoolValidator*>(p.audio.describe().validator.get()));
  EXPECT_TRUE(dynamic_cast<AviFile::StringValidator*>(p.customQuestion.describe().validator.get()));
}

TEST(TaskProperties, TableOrderLabelsAndGroups) {
  const VixoProperties& p = table();
  std::vector<std::string> keys;
  for (const props::Property* property : p.all()) keys.push_back(property->key);
  EXPECT_EQ(keys, (std::vector<std::string>{"method",
                                            "cycles",
                                            "pauseAllowed",
                                            "repetitions",
                                            "shuffleSources",
                                            "trainingQuestions",
                                            "limitPairs",
                                            "scacjScale",
                                            "bgColor",
                                            "margin",
                                            "audio",
                                            "scaling",
                                            "progress",
                                            "bufferLength",
                                            "imageLength",
                                            "customQuestionType",
                                            "customQuestionPairDisplay",
                                            "customQuestion",
                                            "customQuestionInstructions",
                                            "customQuestionInstructions2",
                                            "network",
                                            "networkMaxTime",
                                            "networkMinTime",
                                            "networkInstrTime",
                                            "relativePaths",
                                            "resultCollectingEmail",
                                            "resultCollectingFtp",
                                            "resultCollectingFtpPass",
                                            "resultCollectingFtpDir"}));

  // the swapped labels stay as they are: stored files rely on them
  EXPECT_EQ(p.networkMaxTime.label, "Minimum time for answer");
  EXPECT_EQ(p.networkMinTime.label, "Maximum time for answer");
  EXPECT_EQ(p.imageLength.unit, L"ms");
  EXPECT_EQ(p.margin.unit, L"%");
  EXPECT_EQ(p.networkInstrTime.help,
            L"Time to display insttructions. Operator can manually stop countdown or continue. 0 "
            L"for manual continue");
  EXPECT_EQ(p.customQuestionPairDisplay.help,
            L"Type of displaying image pair. Applicable only if 'Custom question type' is 'All to "
            L"ref' or 'All to all'Simultaneously - show videos side by side. Reference is always "
            L"left if present\nSubsequent - show video one after another. Reference is always "
            L"first if present\n");
  EXPECT_EQ(p.relativePaths.help.substr(p.relativePaths.help.find(L"\n\n")),
            L"\n\nFor absolute paths, you can move the project file to another folder without "
            L"moving the video.");
  EXPECT_EQ(p.resultCollectingFtpPass.help,
            L"Password for ftp server. Specified user shold be able to upload a file");

  const std::vector<std::vector<std::string>> groups = {
      {"method"},
      {"cycles", "repetitions", "shuffleSources", "scacjScale", "trainingQuestions", "limitPairs",
       "customQuestionType", "customQuestionPairDisplay", "customQuestion",
       "customQuestionInstructions", "customQuestionInstructions2"},
      {"bgColor", "margin", "scaling", "progress", "bufferLength", "imageLength", "pauseAllowed"},
      {"relativePaths", "resultCollectingEmail", "resultCollectingFtp", "resultCollectingFtpPass",
       "resultCollectingFtpDir"},
      {"network", "networkMaxTime", "networkMinTime", "networkInstrTime"}};
  ASSERT_EQ(p.groups.size(), groups.size());
  std::set<std::string> grouped;
  for (size_t g = 0; g < groups.size(); ++g) {
    std::vector<std::string> members;
    for (const props::Property* property : *p.groups[g]) {
      members.push_back(property->key);
      grouped.insert(property->key);
    }
    EXPECT_EQ(members, groups[g]) << VixoProperties::groupCaption(g);
  }
  EXPECT_EQ(grouped.size(), 28u);
  EXPECT_FALSE(grouped.count("audio"));
  EXPECT_STREQ(VixoProperties::groupCaption(0), "Task");
  EXPECT_STREQ(VixoProperties::groupCaption(1), "Method");
  EXPECT_STREQ(VixoProperties::groupCaption(4), "Online test");
}

TEST(TaskProperties, SamePropertyValues) {
  const struct {
    PropertyMap a, b;
    int expected;
  } rows[] = {
      {{{"margin", Any()}}, {}, 0},
      {{{"margin", Any::of(5LL)}}, {}, 1},
      {{}, {{"margin", Any::of(5LL)}}, -1},
      {{{"a", Any::of(1LL)}}, {{"b", Any::of(1LL)}}, -1},
      {{{"a", Any::of(2LL)}}, {{"a", Any::of(1LL)}}, 1},
      {{{"a", Any::of(1)}}, {{"a", Any::of(1LL)}}, -1},  // an int and a long long differ
      {{{"a", Any::of(1LL)}, {"b", Any()}}, {{"a", Any::of(1LL)}}, 0},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(samePropertyValues(row.a, row.b), row.expected);
    EXPECT_EQ(samePropertyValues(row.b, row.a), -row.expected);
  }
}

TEST(MethodRegistry, SixMethodsInOrder) {
  const auto& methods = getTestMethods();
  ASSERT_EQ(methods.size(), 6u);
  std::vector<std::string> names;
  for (const VIXOmethod* m : methods) names.push_back(m->name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"DSIS", "DSCQS I", "DSCQS II", "SCACJ", "SAMVIQ", "Custom"}));
  EXPECT_EQ(&getTestMethods(), &methods);
  EXPECT_EQ(getTestMethods()[3], methods[3]);
  EXPECT_EQ(methods[5]->description,
            L"Custom method.\nYou can customize video order, question, the way it is displayed.");
  EXPECT_EQ(methods[0]->description.substr(0, 35), L"Double Stimulus Impairment Scale\n(D");

  // the method property offers them by name after "Select method"
  EXPECT_EQ(table().method.names,
            (std::vector<std::string>{"Select method", "DSIS", "DSCQS I", "DSCQS II", "SCACJ",
                                      "SAMVIQ", "Custom"}));
  Task task;
  EXPECT_EQ(task.method(), nullptr);
  task.properties["method"] = makeStringValue("SCACJ");
  EXPECT_EQ(task.method(), methods[3]);
  task.properties["method"] = makeStringValue("scacj");
  EXPECT_EQ(task.method(), nullptr);
  task.properties["method"] = Any::of(4LL);
  EXPECT_EQ(task.method(), nullptr);
}

TEST(MethodRegistry, PropertiesThatApply) {
  auto keys = [](const VIXOmethod* m) {
    std::vector<std::string> out;
    for (const props::Property* p : m->properties()) out.push_back(p->key);
    return out;
  };
  const auto& m = getTestMethods();
  // in table order, whatever order the method names them in
  EXPECT_EQ(keys(m[0]), (std::vector<std::string>{"cycles", "pauseAllowed", "shuffleSources",
                                                  "trainingQuestions"}));
  EXPECT_EQ(keys(m[2]), (std::vector<std::string>{"cycles", "pauseAllowed", "repetitions",
                                                  "shuffleSources", "trainingQuestions"}));
  EXPECT_EQ(keys(m[3]), (std::vector<std::string>{"cycles", "pauseAllowed", "trainingQuestions",
                                                  "limitPairs", "scacjScale"}));
  EXPECT_EQ(keys(m[4]), (std::vector<std::string>{"pauseAllowed"}));
  EXPECT_EQ(keys(m[5]),
            (std::vector<std::string>{
                "shuffleSources", "customQuestionType", "customQuestionPairDisplay",
                "customQuestion", "customQuestionInstructions", "customQuestionInstructions2"}));
}

TEST(MethodRegistry, DescriptionsAndOwnChecks) {
  const std::vector<std::wstring> descriptions{
      L"Double Stimulus Impairment Scale\n(DSIS, from ITU-R).\nVideos are shown consequently in "
      L"pairs: first video is the reference (observer is informed about it), second video is an "
      L"impaired.",
      L"Double Stimulus Continuous Quality Scale (DSCQS, from ITU-R).\nType I. In one playback "
      L"window observer is free to switch between two videos. One of videos is the reference "
      L"one, but an observer is not informed about it.",
      L"Double Stimulus Continuous Quality Scale (DSCQS, from ITU-R).\nType II. Videos are played "
      L"simultaneously a given amount of times (repetitions), one is the reference one, but an "
      L"observer is not informed about it.",
      L"Quality evaluation using categorical scale (SCACJ, from ITU-R).\nTwo videos are shown "
      L"simultaneously, after playback observer is asked about his opinion.",
      L"Subjective Assessment Method for Video Quality evaluation\n(SAMVIQ, from EBU).\nObserver "
      L"is able to play any sequence from the test set and give it mark, plus observer is able "
      L"to play reference video.",
      L"Custom method.\nYou can customize video order, question, the way it is displayed."};
  const auto& methods = getTestMethods();
  Task online;
  online.properties["network"] = Any::of(true);
  online.properties["customQuestion"] = makeStringValue("Q\n1 a");
  for (size_t i = 0; i < methods.size(); ++i) {
    SCOPED_TRACE(methods[i]->name);
    EXPECT_EQ(methods[i]->description, descriptions[i]);
    const std::vector<ValidationMessage> found = methods[i]->validate(online);
    // Two methods cannot run online: DSCQS I, and SAMVIQ, whose vote returns at once there.
    if (methods[i]->name == "DSCQS I" || methods[i]->name == "SAMVIQ") {
      const std::wstring name = fromUtf8(methods[i]->name);
      ASSERT_EQ(found.size(), 1u);
      EXPECT_EQ(found[0].level, 0);
      EXPECT_EQ(found[0].shortText, L"network not supported by " + name);
      EXPECT_EQ(found[0].text, L"Network not supported by " + name);
      online.properties["network"] = Any::of(false);
      EXPECT_TRUE(methods[i]->validate(online).empty());
      online.properties["network"] = Any::of(true);
    } else {
      EXPECT_TRUE(found.empty());
    }
  }
}

}  // namespace
