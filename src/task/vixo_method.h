// The test method interface and the registry of the six methods (DSIS, DSCQS I, DSCQS II,
// SCACJ, SAMVIQ and Custom), each the fixed rule set of one kind of subjective test.
//
// This header knows tasks, plays and planners only by name: the property table and the task
// model below the methods reach a method through it. Each method has its own file pair
// (method_dsis.h and so on), and method_registry.h gathers them.
//
// The methods are made once, on the first call of getTestMethods, and only read afterwards.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "avifile/property_validator.h"

struct Task;
struct PlayContext;
class QuestionPlanner;
class VIXOplay;
namespace props {
class Property;
}

class VIXOmethod {
 public:
  VIXOmethod(std::string name, std::wstring description)
      : name(std::move(name)), description(std::move(description)) {}
  virtual ~VIXOmethod() = default;
  VIXOmethod(const VIXOmethod&) = delete;
  VIXOmethod& operator=(const VIXOmethod&) = delete;

  // The method's own checks of a task, in order; empty when it has nothing to add.
  virtual std::vector<ValidationMessage> validate(const Task& task) const;
  // The task properties that apply to the method, in table order; built on the first call.
  virtual const std::vector<const props::Property*>& properties() const = 0;
  // The method's planner for the task (owned by the method); none only for a custom question
  // type outside the known ones.
  virtual const QuestionPlanner* planner(const Task& task) const = 0;
  // A new play that runs a pass on a copy of the context; none when the method cannot make
  // one (a custom question type outside the known ones, or a pass of the task that cannot be
  // held: see QuestionPlanner::planTooLarge).
  virtual std::shared_ptr<VIXOplay> createPlay(const PlayContext& context) const = 0;

  // The planner's answers for the task (false and 0 without a planner).
  bool needsReference(const Task& task) const;
  int videosPerQuestion(const Task& task) const;
  int minGroupSize(const Task& task) const;

  const std::string name;          // as stored in the task property "method"
  const std::wstring description;  // shown in the editor when the method is chosen
};

// The six methods in registry order: DSIS, DSCQS I, DSCQS II, SCACJ, SAMVIQ, Custom. Defined
// with the methods (method_registry.cpp), which are made on the first call.
const std::vector<const VIXOmethod*>& getTestMethods();
