#include "task/answer_getter.h"

#include <gtest/gtest.h>

#include <cctype>
#include <memory>

#include "avifile/avi_system.h"
#include "task/method_registry.h"

namespace {

using Brindle::JSON;
namespace E = Brindle::JSONElements;

// "Www Mmm DD hh:mm:ss YYYY".
bool isTimeText(const std::string& text) {
  static const std::string days = "Mon Tue Wed Thu Fri Sat Sun ";
  static const std::string months = "Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec ";
  const std::string pattern = "www mmm 99 99:99:99 9999";
  if (text.size() != pattern.size()) return false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
    if (pattern[i] == '9' ? !digit
                          : (pattern[i] != 'w' && pattern[i] != 'm' && text[i] != pattern[i]))
      return false;
  }
  const auto dayAt = days.find(text.substr(0, 4));
  const auto monthAt = months.find(text.substr(4, 4));
  return dayAt != std::string::npos && dayAt % 4 == 0 && monthAt != std::string::npos &&
         monthAt % 4 == 0;
}

// Checks that the event's "time" is the current time in its text form, then blanks it, so
// that the rest of the event can be compared as one compact text.
std::string withoutTime(JSON event, const std::string& before, const std::string& after) {
  const JSON* time = event.find("time");
  if (!time || !time->isString()) return "no time: " + event.toString(0);
  const std::string& text = time->getString();
  EXPECT_TRUE(isTimeText(text)) << text;
  EXPECT_TRUE(text == before || text == after)
      << text << " not in [" << before << ", " << after << "]";
  event.set("time", "");
  return event.toString(0);
}

std::string now() { return formatTimeStamp(currentTimeTicks()); }

class AnswerGetterTest : public testing::Test {
 protected:
  AnswerGetterTest() {
    questions_.push_back(graded(L"sharp", {1, 3, 5}));  // 0
    questions_.push_back(graded(L"", {1, 3, 5}));       // 1: labelled by its index
    questions_.push_back(CustomQuestion{L"note", L"Say something", {}, 0, 0});  // 2: free text
    questions_.push_back(graded(L"flat", {2, 2}));  // 3: one rank for all variants
    questions_.push_back(graded(L"one", {4}));      // 4: a single variant
  }

  static CustomQuestion graded(std::wstring key, std::vector<double> ranks) {
    CustomQuestion q{std::move(key), L"?", {}, ranks.front(), ranks.front()};
    for (double r : ranks) {
      q.variants.push_back({r, L"v"});
      q.minimumRank = std::min(q.minimumRank, r);
      q.maximumRank = std::max(q.maximumRank, r);
    }
    return q;
  }

  // A recorder wired to this fixture's protocol and results, as the play does it.
  template <typename D>
  std::shared_ptr<AnswerGetterAuto<D>> recorder(const D& question) {
    auto r = std::make_shared<AnswerGetterAuto<D>>();
    r->protocol = &protocol_;
    r->results = &results_;
    r->questions[0] = question;
    return r;
  }

  // The answer events written since the fixture was made, without their time.
  std::vector<std::string> answerEvents() const {
    std::vector<std::string> texts;
    for (const JSON& e : protocol_.elements()) texts.push_back(withoutTime(e, start_, now()));
    return texts;
  }

  const TaskFile ref_{L"ref", L"/v/ref.avi", 1};
  const TaskFile a_{L"a", L"/v/a.avi", 1};
  const TaskFile b_{L"b", L"/v/b.avi", 1};
  std::vector<CustomQuestion> questions_;
  const std::string start_ = now();
  JSON protocol_{E::Array()};
  TestResults results_;
};

TEST(ProtocolTest, NewProtocolHoldsOneBeginEvent) {
  const std::string before = now();
  const JSON protocol = newProtocol();
  const std::string after = now();
  ASSERT_TRUE(protocol.isArray());
  ASSERT_EQ(protocol.size(), 1);
  EXPECT_EQ(withoutTime(protocol.at(0), before, after),
            "{\"time\" : \"\",\"type\" : \"begin\",\"data\" : {}}");
}

TEST(ProtocolTest, AnswerEventMemberOrder) {
  TaskFile reference{L"r\u00e9f", L"/r.avi", 2};
  JSON data{E::Object()};
  data.set("rank", E::Float(0.5));
  data.set("q-index", E::Integer(2));
  JSON protocol = newProtocol();
  const std::string before = now();
  addProtocolAnswer(protocol, L"Zo\u00eb", {L"a", L"b"}, &reference, {3, -1}, true, data);
  addProtocolAnswer(protocol, L"Ann", {}, nullptr, {}, false, JSON(E::Object()));
  const std::string after = now();
  ASSERT_EQ(protocol.size(), 3);
  EXPECT_EQ(withoutTime(protocol.at(1), before, after),
            "{\"time\" : \"\",\"type\" : \"answer\",\"data\" : {\"rank\" : 0.50000000000000000,"
            "\"q-index\" : 2,\"expert\" : \"Zo\xc3\xab\",\"inputs\" : [\"a\",\"b\"],"
            "\"is-training\" : true,\"answers\" : [3,-1],\"reference\" : \"r\xc3\xa9"
            "f\"}}");
  // No answers and no reference: both members are left out.
  EXPECT_EQ(
      withoutTime(protocol.at(2), before, after),
      "{\"time\" : \"\",\"type\" : \"answer\",\"data\" : {\"expert\" : \"Ann\",\"inputs\" : [],"
      "\"is-training\" : false}}");
}

TEST(ProtocolTest, WrongKindsThrow) {
  JSON protocol = newProtocol();
  JSON notArray{E::Object()};
  EXPECT_THROW(addProtocolEvent(notArray, "x", JSON(E::Object())), JSON::InvalidType);
  EXPECT_THROW(addProtocolEvent(protocol, "x", JSON(E::Array())), JSON::InvalidType);
  EXPECT_THROW(addProtocolAnswer(protocol, L"A", {}, nullptr, {}, false, JSON("x")),
               JSON::InvalidType);
  EXPECT_EQ(protocol.size(), 1);
}

TEST_F(AnswerGetterTest, DsisMarksScaleToZeroOne) {
  const struct {
    int mark;
    float value;
    const char* rank;
  } rows[] = {{1, 0.0f, "0.0000000000000000"},
              {3, 0.5f, "0.50000000000000000"},
              {5, 1.0f, "1.0000000000000000"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.mark);
    protocol_ = JSON(E::Array());
    results_ = TestResults();
    auto r = recorder(MT_DSIS::QuestionData{&a_, &ref_, 12, false});
    r->setAnswer(0, L"Ann", row.mark);
    EXPECT_EQ(results_.singles,
              (std::map<SingleAnswerKey, float>{{{L"Ann", L"12", L"a"}, row.value}}));
    EXPECT_TRUE(results_.pairs.empty());
    EXPECT_EQ(
        answerEvents(),
        std::vector<std::string>{
            "{\"time\" : \"\",\"type\" : \"answer\",\"data\" : {\"rank\" : " +
            std::string(row.rank) +
            ",\"expert\" : \"Ann\",\"inputs\" : [\"a\"],\"is-training\" : false,\"answers\" : [" +
            std::to_string(row.mark) + "],\"reference\" : \"ref\"}}"});
  }
}

TEST_F(AnswerGetterTest, DscqsValueIsTestAgainstReference) {
  const struct {
    bool referenceIsA;
    int markA, markB;
    const char* inputs;
  } rows[] = {{true, 80, 60, "[\"ref\",\"a\"]"}, {false, 60, 80, "[\"a\",\"ref\"]"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.referenceIsA);
    protocol_ = JSON(E::Array());
    results_ = TestResults();
    auto r = recorder(DSCQSquestionData{&a_, &ref_, row.referenceIsA, 3, false});
    r->setAnswer(0, L"Ann", {row.markA, row.markB});
    // (60 - 80 + 100) / 200 either way round.
    EXPECT_EQ(results_.singles,
              (std::map<SingleAnswerKey, float>{{{L"Ann", L"3", L"a"}, static_cast<float>(0.4)}}));
    EXPECT_EQ(
        answerEvents(),
        std::vector<std::string>{
            "{\"time\" : \"\",\"type\" : \"answer\",\"data\" : {\"rank\" : 0.40000000000000002,"
            "\"expert\" : \"Ann\",\"inputs\" : " +
            std::string(row.inputs) + ",\"is-training\" : false,\"answers\" : [" +
            std::to_string(row.markA) + "," + std::to_string(row.markB) +
            "],\"reference\" : \"ref\"}}"});
  }
}

TEST_F(AnswerGetterTest, ScacjPairValues) {
  const struct {
    bool binary;
    int mark;
    float value;
  } rows[] = {{false, -3, -1.0f},
              {false, 2, static_cast<float>(2 / 3.0)},
              {false, 0, 0.0f},
              {true, 1, 1.0f},
              {true, -1, -1.0f}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.binary << " " << row.mark);
    protocol_ = JSON(E::Array());
    results_ = TestResults();
    auto r = recorder(MT_SCACJ::QuestionData{&b_, &a_, 4, row.binary, false});
    r->setAnswer(0, L"Ann", row.mark);
    EXPECT_TRUE(results_.singles.empty());
    EXPECT_EQ(results_.pairs,
              (std::map<PairAnswerKey, float>{{{L"Ann", L"4", L"b", L"a"}, row.value}}));
    EXPECT_EQ(answerEvents(),
              std::vector<std::string>{
                  "{\"time\" : \"\",\"type\" : \"answer\",\"data\" : {\"expert\" : \"Ann\","
                  "\"inputs\" : [\"b\",\"a\"],\"is-training\" : false,\"answers\" : [" +
                  std::to_string(row.mark) + "]}}"});
  }
}

TEST_F(AnswerGetterTest, CustomGradedAnswersOfEachKind) {
  // Variant 1 of the question ranked 1, 3, 5: the middle of the scale.
  auto single = recorder(MT_CUSTOM::QuestionDataSingle{&questions_, &a_, 1, false});
  auto ref = recorder(MT_CUSTOM::QuestionDataRef{&questions_, &a_, &ref_, 2, false});
  auto pair = recorder(MT_CUSTOM::QuestionDataPair{&questions_, &b_, &a_, 3, false});
  single->setAnswer(0, L"Ann", {0, {1, ""}});
  ref->setAnswer(0, L"Ann", {1, {1, ""}});
  pair->setAnswer(0, L"Ann", {0, {1, ""}});
  EXPECT_EQ(results_.singles, (std::map<SingleAnswerKey, float>{{{L"Ann", L"1", L"a"}, 0.5f},
                                                                {{L"Ann", L"2", L"a"}, 0.5f}}));
  EXPECT_EQ(results_.pairs, (std::map<PairAnswerKey, float>{{{L"Ann", L"3", L"b", L"a"}, 0.0f}}));
  EXPECT_EQ(answerEvents(),
            (std::vector<std::string>{
                "{\"time\" : \"\",\"type\" : \"answer\",\"data\" : {\"rank\" : 3.0000000000000000,"
                "\"q-index\" : 0,\"expert\" : \"Ann\",\"inputs\" : [\"a[[sharp]]\"],"
                "\"is-training\" : false,\"answers\" : [1]}}",
                "{\"time\" : \"\",\"type\" : \"answer\",\"data\" : {\"rank\" : 3.0000000000000000,"
                "\"q-index\" : 1,\"expert\" : \"Ann\",\"inputs\" : [\"a[[q1]]\"],"
                "\"is-training\" : false,\"answers\" : [1],\"reference\" : \"ref\"}}",
                "{\"time\" : \"\",\"type\" : \"answer\",\"data\" : {\"rank\" : 3.0000000000000000,"
                "\"q-index\" : 0,\"expert\" : \"Ann\",\"inputs\" : [\"b[[sharp]]\",\"a[[sharp]]\"],"
                "\"is-training\" : false,\"answers\" : [1]}}"}));
}

TEST_F(AnswerGetterTest, CustomScaleEnds) {
  auto single = recorder(MT_CUSTOM::QuestionDataSingle{&questions_, &a_, 1, false});
  auto pair = recorder(MT_CUSTOM::QuestionDataPair{&questions_, &a_, &b_, 1, false});
  single->setAnswer(0, L"Ann", {0, {0, ""}});
  pair->setAnswer(0, L"Ann", {0, {2, ""}});
  EXPECT_EQ(results_.singles.at({L"Ann", L"1", L"a"}), 0.0f);
  EXPECT_EQ(results_.pairs.at({L"Ann", L"1", L"a", L"b"}), 1.0f);
}

// Variants that share one rank leave no scale: the answer is put in its middle instead of
// dividing by zero.
TEST_F(AnswerGetterTest, CustomQuestionWithoutRankSpreadRecordsTheMiddle) {
  for (int q : {3, 4}) {
    SCOPED_TRACE(q);
    results_ = TestResults();
    auto single = recorder(MT_CUSTOM::QuestionDataSingle{&questions_, &a_, 1, false});
    auto ref = recorder(MT_CUSTOM::QuestionDataRef{&questions_, &b_, &ref_, 1, false});
    auto pair = recorder(MT_CUSTOM::QuestionDataPair{&questions_, &a_, &b_, 1, false});
    single->setAnswer(0, L"Ann", {q, {0, ""}});
    ref->setAnswer(0, L"Ann", {q, {0, ""}});
    pair->setAnswer(0, L"Ann", {q, {0, ""}});
    EXPECT_EQ(results_.singles, (std::map<SingleAnswerKey, float>{{{L"Ann", L"1", L"a"}, 0.5f},
                                                                  {{L"Ann", L"1", L"b"}, 0.5f}}));
    EXPECT_EQ(results_.pairs, (std::map<PairAnswerKey, float>{{{L"Ann", L"1", L"a", L"b"}, 0.0f}}));
  }
}

TEST_F(AnswerGetterTest, CustomFreeTextGoesToProtocolOnly) {
  auto ref = recorder(MT_CUSTOM::QuestionDataRef{&questions_, &a_, &ref_, 1, false});
  auto pair = recorder(MT_CUSTOM::QuestionDataPair{&questions_, &a_, &b_, 1, false});
  ref->setAnswer(0, L"Ann", {2, {7, "too \"dark\" \xc3\xa9"}});
  pair->setAnswer(0, L"Ann", {2, {0, ""}});
  EXPECT_TRUE(results_.singles.empty());
  EXPECT_TRUE(results_.pairs.empty());
  EXPECT_EQ(
      answerEvents(),
      (std::vector<std::string>{
          "{\"time\" : \"\",\"type\" : \"answer\",\"data\" : {\"text\" : \"too \\\"dark\\\" "
          "\xc3\xa9\",\"q-index\" : 2,\"expert\" : \"Ann\",\"inputs\" : [\"a[[note]]\"],"
          "\"is-training\" : false,\"reference\" : \"ref\"}}",
          "{\"time\" : \"\",\"type\" : \"answer\",\"data\" : {\"text\" : \"\",\"q-index\" : 2,"
          "\"expert\" : \"Ann\",\"inputs\" : [\"a[[note]]\",\"b[[note]]\"],"
          "\"is-training\" : false}}"}));
}

TEST_F(AnswerGetterTest, TwoQuestionsAboutOneFileShareTheResultKey) {
  auto single = recorder(MT_CUSTOM::QuestionDataSingle{&questions_, &a_, 1, false});
  single->setAnswer(0, L"Ann", {0, {2, ""}});  // rank 5: 1
  single->setAnswer(0, L"Ann", {1, {0, ""}});  // rank 1: 0
  EXPECT_EQ(results_.singles, (std::map<SingleAnswerKey, float>{{{L"Ann", L"1", L"a"}, 0.0f}}));
  const std::vector<std::string> events = answerEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_NE(events[0].find("\"inputs\" : [\"a[[sharp]]\"]"), std::string::npos);
  EXPECT_NE(events[1].find("\"inputs\" : [\"a[[q1]]\"]"), std::string::npos);
}

TEST_F(AnswerGetterTest, CustomIndicesOutsideTheListRecordNothing) {
  auto single = recorder(MT_CUSTOM::QuestionDataSingle{&questions_, &a_, 1, false});
  auto pair = recorder(MT_CUSTOM::QuestionDataPair{&questions_, &a_, &b_, 1, false});
  const MT_CUSTOM::Answer answers[] = {
      {-1, {0, ""}}, {5, {0, ""}}, {1 << 30, {0, ""}},  // question index
      {0, {-1, ""}}, {0, {3, ""}}, {4, {1, ""}},        // variant index
  };
  for (const auto& answer : answers) {
    SCOPED_TRACE(testing::Message() << answer.first << " " << answer.second.variant);
    single->setAnswer(0, L"Ann", answer);
    pair->setAnswer(0, L"Ann", answer);
  }
  EXPECT_EQ(protocol_.size(), 0);
  EXPECT_TRUE(results_.singles.empty());
  EXPECT_TRUE(results_.pairs.empty());
}

TEST_F(AnswerGetterTest, TrainingAnswersGoToProtocolOnly) {
  recorder(MT_DSIS::QuestionData{&a_, &ref_, 1, true})->setAnswer(0, L"Ann", 5);
  recorder(DSCQSquestionData{&a_, &ref_, false, 1, true})->setAnswer(0, L"Ann", {10, 90});
  recorder(MT_SCACJ::QuestionData{&a_, &b_, 1, false, true})->setAnswer(0, L"Ann", 3);
  recorder(MT_CUSTOM::QuestionDataSingle{&questions_, &a_, 1, true})
      ->setAnswer(0, L"Ann", {0, {1, ""}});
  recorder(MT_CUSTOM::QuestionDataRef{&questions_, &a_, &ref_, 1, true})
      ->setAnswer(0, L"Ann", {3, {0, ""}});
  recorder(MT_CUSTOM::QuestionDataPair{&questions_, &a_, &b_, 1, true})
      ->setAnswer(0, L"Ann", {0, {1, ""}});
  EXPECT_TRUE(results_.singles.empty());
  EXPECT_TRUE(results_.pairs.empty());
  const std::vector<std::string> events = answerEvents();
  ASSERT_EQ(events.size(), 6u);
  for (const std::string& e : events)
    EXPECT_NE(e.find("\"is-training\" : true"), std::string::npos) << e;
}

TEST_F(AnswerGetterTest, QuestionNumbersSelectTheRegisteredQuestion) {
  auto r = recorder(MT_DSIS::QuestionData{&a_, &ref_, 1, false});
  r->questions[1] = MT_DSIS::QuestionData{&b_, &ref_, 2, false};
  r->setAnswer(2, L"Ann", 5);  // never registered
  r->setAnswer(-1, L"Ann", 5);
  EXPECT_EQ(protocol_.size(), 0);
  EXPECT_TRUE(results_.singles.empty());

  r->setAnswer(1, L"Ann", 2);
  r->setAnswer(0, L"Ann", 4);
  r->setAnswer(0, L"Bob", 3);
  r->setAnswer(0, L"Ann", 5);  // answered again: recorded again, the value replaced
  EXPECT_EQ(protocol_.size(), 4);
  EXPECT_EQ(results_.singles, (std::map<SingleAnswerKey, float>{{{L"Ann", L"1", L"a"}, 1.0f},
                                                                {{L"Ann", L"2", L"b"}, 0.25f},
                                                                {{L"Bob", L"1", L"a"}, 0.5f}}));
}

TEST_F(AnswerGetterTest, PlayersFindTheAnswerTypeByDowncast) {
  std::shared_ptr<AnswerGetterBase> base = recorder(DSCQSquestionData{&a_, &ref_, true, 1, false});
  EXPECT_EQ(std::dynamic_pointer_cast<AnswerGetter<int>>(base), nullptr);
  EXPECT_EQ(std::dynamic_pointer_cast<AnswerGetter<MT_CUSTOM::Answer>>(base), nullptr);
  auto getter = std::dynamic_pointer_cast<AnswerGetter<std::pair<int, int>>>(base);
  ASSERT_NE(getter, nullptr);
  getter->setAnswer(0, L"Ann", {100, 0});
  EXPECT_EQ(results_.singles.at({L"Ann", L"1", L"a"}), 0.0f);
}

TEST_F(AnswerGetterTest, UnwiredRecorderRecordsNothing) {
  AnswerGetterAuto<MT_DSIS::QuestionData> r;
  r.questions[0] = MT_DSIS::QuestionData{&a_, &ref_, 1, false};
  r.setAnswer(0, L"Ann", 3);  // neither address set yet: no crash, nothing written
  r.results = &results_;
  r.setAnswer(0, L"Ann", 3);
  EXPECT_TRUE(results_.singles.empty());
}

}  // namespace
