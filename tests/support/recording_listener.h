// A message listener that keeps what it receives, for tests of the video sources.
#pragma once

#include <vector>

#include "avifile/message_listener.h"

namespace vixo_test {

class RecordingListener : public MEQA::MessageListener {
 public:
  void receive(const MessageRecord& record) override { records.push_back(record); }
  std::vector<MessageRecord> records;
};

}  // namespace vixo_test
