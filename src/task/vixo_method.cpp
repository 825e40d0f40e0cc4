#include "task/vixo_method.h"

#include "task/task_properties.h"

namespace {

// The given properties in table order. Each method keeps its list in a function-local static:
// the methods are built while the table is, so a list cannot be made in their constructors.
std::vector<const props::Property*> inTableOrder(
    std::initializer_list<const props::Property*> set) {
  std::vector<const props::Property*> out;
  for (const props::Property* p : getTaskProperties().all())
    for (const props::Property* wanted : set)
      if (p == wanted) out.push_back(p);
  return out;
}

// The error of a method that cannot run online, when the task asks for it.
std::vector<ValidationMessage> refuseOnline(const Task& task, const std::wstring& method) {
  if (!getTaskProperties().network.getBoolProperty(task.properties)) return {};
  return {ValidationMessage(0, L"network not supported by " + method,
                            L"Network not supported by " + method)};
}

}  // namespace

std::vector<ValidationMessage> VIXOmethod::validate(const Task&) const { return {}; }

bool VIXOmethod::needsReference(const Task& task) const {
  const QuestionPlanner* p = planner(task);
  return p && p->needsReference(task);
}

int VIXOmethod::videosPerQuestion(const Task& task) const {
  const QuestionPlanner* p = planner(task);
  return p ? p->videosPerQuestion(task) : 0;
}

int VIXOmethod::minGroupSize(const Task& task) const {
  const QuestionPlanner* p = planner(task);
  return p ? p->minGroupSize(task) : 0;
}

MT_DSIS::MT_DSIS()
    : VIXOmethod("DSIS",
                 L"Double Stimulus Impairment Scale\n(DSIS, from ITU-R).\nVideos are shown "
                 L"consequently in pairs: first video is the reference (observer is informed about "
                 L"it), second video is an impaired.") {}

const std::vector<const props::Property*>& MT_DSIS::properties() const {
  const VixoProperties& p = getTaskProperties();
  static const std::vector<const props::Property*> list =
      inTableOrder({&p.pauseAllowed, &p.cycles, &p.trainingQuestions, &p.shuffleSources});
  return list;
}

MT_DSCQS_I::MT_DSCQS_I()
    : VIXOmethod("DSCQS I",
                 L"Double Stimulus Continuous Quality Scale (DSCQS, from ITU-R).\nType I. In one "
                 L"playback window observer is free to switch between two videos. One of videos is "
                 L"the reference one, but an observer is not informed about it.") {}

std::vector<ValidationMessage> MT_DSCQS_I::validate(const Task& task) const {
  return refuseOnline(task, L"DSCQS I");
}

const std::vector<const props::Property*>& MT_DSCQS_I::properties() const {
  const VixoProperties& p = getTaskProperties();
  static const std::vector<const props::Property*> list =
      inTableOrder({&p.pauseAllowed, &p.cycles, &p.trainingQuestions, &p.shuffleSources});
  return list;
}

MT_DSCQS_II::MT_DSCQS_II()
    : VIXOmethod("DSCQS II",
                 L"Double Stimulus Continuous Quality Scale (DSCQS, from ITU-R).\nType II. Videos "
                 L"are played simultaneously a given amount of times (repetitions), one is the "
                 L"reference one, but an observer is not informed about it.") {}

const std::vector<const props::Property*>& MT_DSCQS_II::properties() const {
  const VixoProperties& p = getTaskProperties();
  static const std::vector<const props::Property*> list = inTableOrder(
      {&p.pauseAllowed, &p.repetitions, &p.cycles, &p.trainingQuestions, &p.shuffleSources});
  return list;
}

MT_SCACJ::MT_SCACJ()
    : VIXOmethod("SCACJ",
                 L"Quality evaluation using categorical scale (SCACJ, from ITU-R).\nTwo videos "
                 L"are shown simultaneously, after playback observer is asked about his opinion.") {
}

const std::vector<const props::Property*>& MT_SCACJ::properties() const {
  const VixoProperties& p = getTaskProperties();
  static const std::vector<const props::Property*> list = inTableOrder(
      {&p.pauseAllowed, &p.limitPairs, &p.cycles, &p.trainingQuestions, &p.scacjScale});
  return list;
}

MT_SAMVIQ::MT_SAMVIQ()
    : VIXOmethod("SAMVIQ",
                 L"Subjective Assessment Method for Video Quality evaluation\n(SAMVIQ, from "
                 L"EBU).\nObserver is able to play any sequence from the test set and give it "
                 L"mark, plus observer is able to play reference video.") {}

const std::vector<const props::Property*>& MT_SAMVIQ::properties() const {
  static const std::vector<const props::Property*> list =
      inTableOrder({&getTaskProperties().pauseAllowed});
  return list;
}

std::vector<ValidationMessage> MT_SAMVIQ::validate(const Task& task) const {
  return refuseOnline(task, L"SAMVIQ");
}

MT_CUSTOM::MT_CUSTOM()
    : VIXOmethod("Custom",
                 L"Custom method.\nYou can customize video order, question, the way it is "
                 L"displayed.") {}

const std::vector<const props::Property*>& MT_CUSTOM::properties() const {
  const VixoProperties& p = getTaskProperties();
  static const std::vector<const props::Property*> list = inTableOrder(
      {&p.customQuestionType, &p.customQuestionPairDisplay, &p.customQuestion,
       &p.customQuestionInstructions, &p.customQuestionInstructions2, &p.shuffleSources});
  return list;
}

std::vector<ValidationMessage> MT_CUSTOM::validate(const Task& task) const {
  std::vector<CustomQuestion> questions;
  const CustomQuestionParseResult result = parseCustomQuestions(
      questions, getTaskProperties().customQuestion.getStringProperty(task.properties));
  if (result.status != 2) return {};
  return {ValidationMessage(0, L"wrong custom question",
                            L"Error in custom question in line " + std::to_wstring(result.line) +
                                L": " + result.message)};
}

const QuestionPlanner* MT_CUSTOM::planner(const Task& task) const {
  const VixoProperties& p = getTaskProperties();
  const bool simultaneous = p.customQuestionPairDisplay.getEnumeratedProperty(task.properties) ==
                            VixoProperties::Simultaneously;
  switch (p.customQuestionType.getEnumeratedProperty(task.properties)) {
    case VixoProperties::OneVideo:
      return &single_;
    case VixoProperties::AllToRef:
      return simultaneous ? static_cast<const QuestionPlanner*>(&reference_) : &referenceRepeated_;
    case VixoProperties::AllToAll:
      return simultaneous ? &pairs_ : &pairsTwice_;
    default:
      return nullptr;
  }
}

const std::vector<const VIXOmethod*>& getTestMethods() {
  static const MT_DSIS dsis;
  static const MT_DSCQS_I dscqs1;
  static const MT_DSCQS_II dscqs2;
  static const MT_SCACJ scacj;
  static const MT_SAMVIQ samviq;
  static const MT_CUSTOM custom;
  static const std::vector<const VIXOmethod*> methods = {&dsis,  &dscqs1, &dscqs2,
                                                         &scacj, &samviq, &custom};
  return methods;
}
