#include "avifile/message_listener.h"

#include <chrono>

int64_t messageTimeNow() {
  using Ticks = std::chrono::duration<int64_t, std::ratio<1, 10'000'000>>;
  return std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

namespace MEQA {

MessageListener& MessageListener::dummy() {
  class MessageListenerDefault : public MessageListener {
   public:
    void receive(const MessageRecord&) override {}
  };
  static MessageListenerDefault instance;
  return instance;
}

}  // namespace MEQA
