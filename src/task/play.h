// The question sequence of one pass: the questions a method puts to one observer (or one
// online group), the position in that sequence, the answered count, the pass's protocol and,
// through its context, the pass's results. GUI thread only.
//
// The player's pass loop: while the play is not finished and no stop was asked, save the state
// and call nextQuestion(). A pass is resumed by a new play of the same task that loads the
// saved state document.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "avifile/json.h"
#include "task/pass_random.h"
#include "task/question_planner.h"
#include "task/task.h"

class AnswerGetterBase;

class VIXOplay {
 public:
  // Starts the protocol with its first event; a recorder gets the addresses of the protocol and
  // of the context's results, where the marks of the pass go.
  VIXOplay(const QuestionPlanner* planner, PlayContext context,
           std::shared_ptr<AnswerGetterBase> recorder);
  virtual ~VIXOplay();
  VIXOplay(const VIXOplay&) = delete;
  VIXOplay& operator=(const VIXOplay&) = delete;

  // Questions answered so far, training included.
  virtual int answeredCount() const = 0;
  // answeredCount over the planner's total, 0 for a total below 1.
  virtual float progress() const;
  // Runs one question.
  virtual void nextQuestion() = 0;
  virtual bool isFinished() const;
  // Writes the state document into `state`.
  virtual void saveState(Brindle::JSON& state) const = 0;
  // Restores a saved state. A document that does not fit the task of this play (file indices
  // out of range, a position, count or block number that is negative or beyond what a pass
  // holds, a protocol that is not an array) is refused with false and the play stays as it was.
  [[nodiscard]] virtual bool loadState(Brindle::JSON state) = 0;

  const QuestionPlanner* planner;
  PlayContext context;
  std::shared_ptr<AnswerGetterBase> recorder;
  Brindle::JSON protocol;
  // Every random choice of the pass. Not part of the saved state: a resumed pass draws anew.
  PassRandom random;
};

// The common part of the plays that planners make (planner files all_to_ref_planner.h and its
// siblings): a block of questions at a time, a training block first, then one block per cycle.
template <class Item>
class BlockPlay : public VIXOplay {
 public:
  using VIXOplay::VIXOplay;

  int answeredCount() const override { return answered; }
  // Also finished when there is nothing to ask at all, so that a pass loop cannot run forever.
  bool isFinished() const override;
  void nextQuestion() override;
  void saveState(Brindle::JSON& state) const override;
  [[nodiscard]] bool loadState(Brindle::JSON state) override;

  std::vector<Item> block;
  bool nextBlockTraining = true;
  bool currentBlockTraining = true;
  int posInBlock = 0;
  int answered = 0;
  int blockId = 0;

 protected:
  // Every question of a cycle, unshuffled.
  virtual std::vector<Item> candidates() const = 0;
  // Orders (and limits) a new cycle's block: shuffled when the task's "shuffleSources" is on.
  virtual void arrangeBlock(std::vector<Item>& items);
  // Asks the question of the item; true when it got its mark.
  virtual bool ask(const Item& item) = 0;

 private:
  bool makeTrainingBlock();
  bool fits(const std::vector<Item>& items) const;
};
