// The question planner interface: for a task, how a method's pass is shaped (files per question,
// what a task must hold, questions per cycle, cycles, training questions, playbacks and playing
// time). Validation asks a planner for its limits, the task's statistics for its counts and
// durations, and a play for its total and its training size.
//
// This header knows the task, the method and the media only by name, so that the task model
// below it can ask a planner without depending on the planners; the planners themselves
// (planner_base.h and the planner files) sit above the task model.
//
// Planners are members of their method, hold a pointer back to it and keep no state: every
// answer is computed anew from the task. They are read-only and may be asked from any thread.
#pragma once

#include <cstdint>
#include <string>

struct Task;
class VIXOmethod;
class VideoInfoCache;

class QuestionPlanner {
 public:
  explicit QuestionPlanner(const VIXOmethod* method) : method_(method) {}
  virtual ~QuestionPlanner() = default;
  QuestionPlanner(const QuestionPlanner&) = delete;
  QuestionPlanner& operator=(const QuestionPlanner&) = delete;

  // Every group in use must have a reference file.
  virtual bool needsReference(const Task& task) const = 0;
  // Files one question shows; validation wants at least this many files in use.
  virtual int videosPerQuestion(const Task& task) const = 0;
  // Least number of files of a group in use: the files one question shows.
  virtual int minGroupSize(const Task& task) const;
  virtual int questionsPerCycle(const Task& task) const = 0;
  virtual int playbacksPerQuestion(const Task& task) const = 0;
  // Playing time of one cycle in milliseconds.
  virtual int64_t estimatedDuration(const Task& task, VideoInfoCache& media) const = 0;
  // Questions of a whole pass, training included: cycles times questions per cycle plus the
  // training questions (saturated at the limits of an int).
  virtual int totalQuestions(const Task& task) const;
  // The questions one block of a pass is made of before it is cut (the pairs of every group
  // for a pair limit): what a play holds at once. The questions of a cycle unless a planner
  // says otherwise.
  virtual int64_t blockCandidates(const Task& task) const;
  // Number of cycles.
  virtual int cycles(const Task& task) const = 0;
  // Training questions at the start of a pass.
  virtual int trainingQuestions(const Task& task) const = 0;

  // The most questions a pass may ask, training included. The pass loop saves the current
  // block with the state before every question, so a block must stay small; the table's own
  // ranges allow about 5000 questions.
  static constexpr int64_t kMaxPassQuestions = 100000;
  // The most questions one block may be made of before it is cut (all pairs, for a pair
  // limit): what a play holds in memory while it makes the block.
  static constexpr int64_t kMaxBlockCandidates = 1000000;
  // Why a pass of the task cannot be held, as a sentence for the operator; empty when it can.
  // Validation refuses such a task, and no play is made for it.
  std::wstring planTooLarge(const Task& task) const;

  const VIXOmethod* method() const { return method_; }

 private:
  const VIXOmethod* method_;
};
