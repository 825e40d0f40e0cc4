#include "player/online_vote_post.h"

#include "common/event_getter.h"

OnlineTestState::VoteCallback postVotesTo(std::shared_ptr<EventGetterSetterHelper> window,
                                          std::function<void(OnlineVote&)> run) {
  return [window = std::move(window), run = std::move(run)](
             int question, int subQuestion, const std::wstring& name, std::vector<int> votes,
             const std::string& text) {
    auto vote = std::make_shared<OnlineVote>(
        OnlineVote{question, subQuestion, name, std::move(votes), text});
    EventGetterSetterHelper::post(window, [run, vote] { run(*vote); });
  };
}
