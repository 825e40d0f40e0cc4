#include "task/answer_getter.h"

#include "avifile/avi_system.h"

using Brindle::JSON;
namespace E = Brindle::JSONElements;

const std::wstring& fileId(const TaskFile* file) {
  static const std::wstring none;
  return file ? file->id : none;
}

JSON rankData(double rank) {
  JSON data{E::Object()};
  data.set("rank", E::Float(rank));
  return data;
}

JSON newProtocol() {
  JSON protocol{E::Array()};
  addProtocolEvent(protocol, "begin", JSON(E::Object()));
  return protocol;
}

void addProtocolEvent(JSON& protocol, const std::string& type, const JSON& data) {
  if (!protocol.isArray() || !data.isObject()) throw JSON::InvalidType();
  JSON event{E::Object()};
  event.set("time", formatTimeStamp(currentTimeTicks()));
  event.set("type", type);
  event.set("data", data);
  protocol.append(event);
}

void addProtocolAnswer(JSON& protocol, const std::wstring& expert,
                       const std::vector<std::wstring>& inputs, const TaskFile* reference,
                       const std::vector<int>& answers, bool training, const JSON& data) {
  if (!data.isObject()) throw JSON::InvalidType();
  JSON event = data;
  event.set("expert", expert);
  event.set("inputs", Brindle::stringsToJson(inputs));
  event.set("is-training", training);
  if (!answers.empty()) {
    JSON list{E::Array()};
    for (int answer : answers) list.append(E::Integer(answer));
    event.set("answers", list);
  }
  if (reference) event.set("reference", reference->id);
  addProtocolEvent(protocol, "answer", event);
}
