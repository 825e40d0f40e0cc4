#include "task/answer_getter.h"

#include "avifile/avi_system.h"

namespace {

using Brindle::JSON;
namespace E = Brindle::JSONElements;

const std::wstring& idOf(const TaskFile* file) {
  static const std::wstring none;
  return file ? file->id : none;
}

std::wstring blockText(int blockId) { return std::to_wstring(blockId); }

JSON rankData(double rank) {
  JSON data{E::Object()};
  data.set("rank", E::Float(rank));
  return data;
}

// What a custom question showed, whatever its kind: `second` only for pairs, `reference`
// only for questions against a reference.
struct CustomShown {
  const std::vector<CustomQuestion>* questions;
  bool pair;
  const TaskFile* first;
  const TaskFile* second;
  const TaskFile* reference;
  int blockId;
  bool training;
};

void recordCustom(JSON& protocol, TestResults& results, const CustomShown& shown,
                  const std::wstring& expert, const MT_CUSTOM::Answer& answer) {
  const auto& [q, given] = answer;
  if (!shown.questions || q < 0 || static_cast<size_t>(q) >= shown.questions->size()) return;
  const CustomQuestion& question = (*shown.questions)[q];
  const std::wstring label =
      L"[[" + (question.key.empty() ? L"q" + std::to_wstring(q) : question.key) + L"]]";
  std::vector<std::wstring> inputs{idOf(shown.first) + label};
  if (shown.pair) inputs.push_back(idOf(shown.second) + label);

  JSON data{E::Object()};
  if (question.variants.empty()) {
    data.set("text", given.text);
    data.set("q-index", E::Integer(q));
    addProtocolAnswer(protocol, expert, inputs, shown.reference, {}, shown.training, data);
    return;
  }
  // Players offer only the question's variants, but a vote from the network may carry any
  // index; one outside the list is ignored like a question index outside the list.
  if (given.variant < 0 || static_cast<size_t>(given.variant) >= question.variants.size()) return;
  const double rank = question.variants[given.variant].rank;
  data.set("rank", E::Float(rank));
  data.set("q-index", E::Integer(q));
  addProtocolAnswer(protocol, expert, inputs, shown.reference, {given.variant}, shown.training,
                    data);
  if (shown.training) return;
  // Variants of one rank leave no scale to place the answer on: it is put in the middle.
  const double span = question.maximumRank - question.minimumRank;
  const double n = span != 0 ? (rank - question.minimumRank) / span : 0.5;
  if (shown.pair)
    results.setPair(expert, blockText(shown.blockId), idOf(shown.first), idOf(shown.second),
                    static_cast<float>(2 * n - 1));
  else
    results.setSingle(expert, blockText(shown.blockId), idOf(shown.first), static_cast<float>(n));
}

}  // namespace

void recordAnswer(JSON& protocol, TestResults& results, const MT_DSIS::QuestionData& question,
                  const std::wstring& expert, int mark) {
  const double x = (static_cast<double>(mark) - 1) * 0.25;
  if (!question.training)
    results.setSingle(expert, blockText(question.blockId), idOf(question.file),
                      static_cast<float>(x));
  addProtocolAnswer(protocol, expert, {idOf(question.file)}, question.reference, {mark},
                    question.training, rankData(x));
}

void recordAnswer(JSON& protocol, TestResults& results, const DSCQSquestionData& question,
                  const std::wstring& expert, const std::pair<int, int>& marks) {
  const auto [a, b] = marks;
  const int test = question.referenceIsA ? b : a;
  const int reference = question.referenceIsA ? a : b;
  const double x = (static_cast<double>(test) - reference + 100) / 200;
  if (!question.training)
    results.setSingle(expert, blockText(question.blockId), idOf(question.file),
                      static_cast<float>(x));
  const TaskFile* shownA = question.referenceIsA ? question.reference : question.file;
  const TaskFile* shownB = question.referenceIsA ? question.file : question.reference;
  addProtocolAnswer(protocol, expert, {idOf(shownA), idOf(shownB)}, question.reference, {a, b},
                    question.training, rankData(x));
}

void recordAnswer(JSON& protocol, TestResults& results, const MT_SCACJ::QuestionData& question,
                  const std::wstring& expert, int mark) {
  addProtocolAnswer(protocol, expert, {idOf(question.left), idOf(question.right)}, nullptr, {mark},
                    question.training, JSON(E::Object()));
  if (question.training) return;
  const double v = question.binaryScale ? mark : mark / 3.0;
  results.setPair(expert, blockText(question.blockId), idOf(question.left), idOf(question.right),
                  static_cast<float>(v));
}

void recordAnswer(JSON& protocol, TestResults& results,
                  const MT_CUSTOM::QuestionDataSingle& question, const std::wstring& expert,
                  const MT_CUSTOM::Answer& answer) {
  recordCustom(protocol, results,
               {question.questions, false, question.file, nullptr, nullptr, question.blockId,
                question.training},
               expert, answer);
}

void recordAnswer(JSON& protocol, TestResults& results, const MT_CUSTOM::QuestionDataRef& question,
                  const std::wstring& expert, const MT_CUSTOM::Answer& answer) {
  recordCustom(protocol, results,
               {question.questions, false, question.file, nullptr, question.reference,
                question.blockId, question.training},
               expert, answer);
}

void recordAnswer(JSON& protocol, TestResults& results, const MT_CUSTOM::QuestionDataPair& question,
                  const std::wstring& expert, const MT_CUSTOM::Answer& answer) {
  recordCustom(protocol, results,
               {question.questions, true, question.first, question.second, nullptr,
                question.blockId, question.training},
               expert, answer);
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
