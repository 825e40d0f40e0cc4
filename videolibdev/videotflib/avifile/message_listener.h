// Messages of the video sources (errors, format warnings, index progress) and their receiver.
//
// A source posts MessageRecords to its listener on the thread that opens and reads it. The
// process-wide default listener (MEQA::MessageListener::dummy) keeps no state and ignores every
// record, so any thread may post to it.
#pragma once

#include <cstdint>
#include <set>
#include <string>

struct MessageRecord {
  int64_t time = 0;  // wall-clock time of posting, 100-ns units since 1970-01-01 UTC
  int32_t kind = 0;  // 0 error, 1 warning or note, 3842 progress of the key-frame index
  std::wstring text;
  std::wstring details;
  int32_t code = 0;
};

// The wall-clock time of now as a MessageRecord carries it.
int64_t messageTimeNow();

namespace MEQAutility {

// Base of an object that pointers may register with: its destruction sets every registered
// pointer to null. Registration and destruction belong to one thread.
template <class T>
class NullablePtrSupport {
 public:
  NullablePtrSupport() = default;
  NullablePtrSupport(const NullablePtrSupport&) = delete;
  NullablePtrSupport& operator=(const NullablePtrSupport&) = delete;
  ~NullablePtrSupport() {
    for (T** p : pointers_) *p = nullptr;
  }

  void registerPointer(T** p) { pointers_.insert(p); }
  void unregisterPointer(T** p) { pointers_.erase(p); }

 private:
  std::set<T**> pointers_;
};

}  // namespace MEQAutility

namespace MEQA {

class MessageListener : public MEQAutility::NullablePtrSupport<MessageListener> {
 public:
  virtual void receive(const MessageRecord& record) = 0;
  virtual ~MessageListener() = default;

  // The process-wide listener that ignores every message.
  static MessageListener& dummy();
};

}  // namespace MEQA
