// A small engine for byte-oriented grammars.
//
// A grammar is built at run time from states, byte steps between states, action lists on
// states, default successors ("implicit come") and calls of rules. compile() flattens it into a
// table-driven automaton: one row per state with 256 next-row entries, a default row and an
// action list. run() feeds the bytes of a stream through the rows and lets the actions fill a
// parse state. Rule calls use an explicit stack of return rows, so recursive grammars run
// without recursion.
//
// compile() can stop after the five passes of the plain design (Compilation::Plain) or go on
// with rewrites that change no outcome, only the speed of a run (Compilation::Optimised, the
// default): the plain automaton is the reference the optimised one is checked against. The
// sources follow that split: general_parser_build.cpp (building and the plain compile),
// general_parser_optimise.cpp (the rewrites) and general_parser_run.cpp (running).
//
// Building and compiling happen once (the owner's one-time initialisation); afterwards the
// compiled rows are read-only and any number of threads may run at once, each with its own
// Parsing object.
#pragma once

#include <cstdint>
#include <cstring>
#include <istream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace Brindle {

// Bytes with a separate used length: emptied by setting the length to 0, so the memory is
// reused from one text to the next.
class TextBuffer {
 public:
  void push_back(char c) {
    if (size_ == capacity_) grow(size_ + 1);
    data_[size_++] = c;
  }
  void append(const char* bytes, size_t n) {
    if (size_ + n > capacity_) grow(size_ + n);
    std::memcpy(data_.get() + size_, bytes, n);
    size_ += n;
  }
  // Shortens the text (a longer size is filled with zero bytes).
  void resize(size_t n) {
    if (n > capacity_) grow(n);
    if (n > size_) std::memset(data_.get() + size_, 0, n - size_);
    size_ = n;
  }
  void clear() { size_ = 0; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const char* data() const { return data_.get(); }
  std::string_view view() const { return {data_.get(), size_}; }
  std::string str() const { return std::string(view()); }

 private:
  void grow(size_t atLeast);
  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

class GeneralParser {
 public:
  class Parsing;
  class State;

  struct Semantic {
    // Payload of an action record; copied with the record.
    class ExtentionData {
     public:
      virtual ~ExtentionData() = default;
      virtual std::unique_ptr<ExtentionData> clone() const = 0;
    };
    // A grammar's own action on its parse state.
    class Action : public ExtentionData {
     public:
      virtual void run(Parsing& state) const = 0;
      // True when running it again directly after itself changes nothing (setting a flag or a
      // code). A row whose actions are all such, besides one "push byte", is looped over
      // without running them for every byte.
      virtual bool isRepeatable() const { return false; }
      // True, with the value, when the whole effect of running it is storing that value as the
      // parse state's code; the engine then stores it without calling run().
      virtual bool setsCode(int32_t& value) const {
        (void)value;
        return false;
      }
    };
    class StringData : public ExtentionData {
     public:
      explicit StringData(std::string text) : text(std::move(text)) {}
      std::unique_ptr<ExtentionData> clone() const override {
        return std::make_unique<StringData>(text);
      }
      std::string text;
    };
  };

  using Callback = void (*)(Parsing& state, Semantic::ExtentionData* payload);

  enum ActionKind : int {
    kPushByte = 1,
    kPushAccumulator = 2,
    kPushConstantByte = 3,
    kPushConstantNumber = 4,
    kDecimalDigit = 5,
    kHexDigit = 6,
    kEmitCodePoint = 7,
    kReturn = 8,
    kPrint = 9,
    kCall = 10,
    kCallback = 11,
    kSemanticAction = 12,
  };

  struct ActionRecord {
    int kind = 0;
    int64_t value = 0;  // a byte, a number or a row index, by kind
    Callback callback = nullptr;
    std::unique_ptr<Semantic::ExtentionData> payload;

    ActionRecord() = default;
    ActionRecord(int kind, int64_t value) : kind(kind), value(value) {}
    ActionRecord(const ActionRecord& other);
    ActionRecord& operator=(const ActionRecord& other);
    ActionRecord(ActionRecord&&) noexcept = default;
    ActionRecord& operator=(ActionRecord&&) noexcept = default;

    static ActionRecord pushByte() { return {kPushByte, 0}; }
    static ActionRecord pushAccumulator() { return {kPushAccumulator, 0}; }
    static ActionRecord pushConstantByte(unsigned char byte) { return {kPushConstantByte, byte}; }
    static ActionRecord pushConstantNumber(int64_t number) { return {kPushConstantNumber, number}; }
    static ActionRecord decimalDigit() { return {kDecimalDigit, 0}; }
    static ActionRecord hexDigit() { return {kHexDigit, 0}; }
    static ActionRecord emitCodePoint() { return {kEmitCodePoint, 0}; }
    static ActionRecord print(std::string text);
    static ActionRecord callbackAction(Callback fn,
                                       std::unique_ptr<Semantic::ExtentionData> payload);
    static ActionRecord semantic(std::unique_ptr<Semantic::Action> action);
  };

  // A transition on some bytes from its owner state to its target state.
  class Step {
   public:
    virtual ~Step() = default;
    // Called before the rows are filled, possibly more than once for one step.
    virtual void prepare(GeneralParser& grammar);
    // Writes this step's next-row entries into the owner's row.
    virtual void fill(State& owner) const = 0;
    virtual std::unique_ptr<Step> clone() const = 0;

    State* target = nullptr;

   protected:
    void setNext(State& from, unsigned char byte, const State& to) const;
  };

  class CharacterStep : public Step {
   public:
    explicit CharacterStep(unsigned char first) { bytes_.push_back(first); }
    CharacterStep& add(unsigned char byte) {
      bytes_.push_back(byte);
      return *this;
    }
    void fill(State& owner) const override;
    std::unique_ptr<Step> clone() const override;

   private:
    std::vector<unsigned char> bytes_;
  };

  class DigitStep : public Step {
   public:
    void fill(State& owner) const override;
    std::unique_ptr<Step> clone() const override;
  };

  class HexdigitStep : public Step {
   public:
    void fill(State& owner) const override;
    std::unique_ptr<Step> clone() const override;
  };

  // Matches any of a set of non-empty byte strings through a trie of prefix states; a
  // mismatch inside a string fails the run (the prefix states have no default).
  class StringsStep : public Step {
   public:
    explicit StringsStep(const std::string& first);
    StringsStep& add(const std::string& string);
    void prepare(GeneralParser& grammar) override;
    void fill(State& owner) const override;
    std::unique_ptr<Step> clone() const override;

   private:
    std::set<std::string> strings_;
    std::map<std::string, State*> prefixes_;  // built by the first prepare
    bool prepared_ = false;
  };

  struct Rule;

  struct CallRecord {
    Rule* rule = nullptr;
    State* returnState = nullptr;
    bool processed = false;
  };

  class State {
   public:
    GeneralParser* grammar = nullptr;
    std::vector<ActionRecord> actions;
    State* optimizedTo = this;
    std::vector<std::unique_ptr<Step>> steps;
    std::vector<CallRecord> calls;
    State* implicitCome = nullptr;
    State* returnOfJunction = nullptr;  // junctions only: the return state of their call
    bool visited = false;
    bool junction = false;
    int number = 0;
    int row = -1;
  };

  struct Rule {
    State* entry = nullptr;  // until compiled
    int startRow = -1;       // set by the compile
  };

  // The parse state of one run. Grammars derive from it to add their own fields.
  class Parsing {
   public:
    virtual ~Parsing() = default;

    TextBuffer text;
    std::vector<int64_t> numbers;  // number stack
    std::vector<int32_t> calls;    // return rows
    int64_t accumulator = 0;       // wraps without an error
    unsigned char current = 0;     // the last byte taken
    int32_t row = 0;
    bool failed = false;
    bool finished = false;
    int64_t consumed = 0;  // bytes taken by transitions
    int32_t code = 0;      // set by code-setting actions (a grammar's error code)

    int64_t popNumber();
  };

  GeneralParser();
  ~GeneralParser();
  GeneralParser(const GeneralParser&) = delete;
  GeneralParser& operator=(const GeneralParser&) = delete;

  // --- building
  State* newState();
  // A new empty state with the same owner; only an empty state may be copied.
  State* copyState(const State& r);
  // Appends a clone of the step leading to a new state, which is returned.
  State* addStep(State* from, const Step& step);
  // Appends a clone of the step leading to an existing state, which is returned.
  State* addStep(State* from, const Step& step, State* to);
  State* addAction(State* state, const ActionRecord& action);
  State* setImplicitCome(State* l, State* target);
  // Calls the rule from the state; returns the new state the rule returns to.
  State* callRule(State* from, Rule* rule);
  Rule* newRule();
  void defineRule(Rule* rule, State* entry, State* exit);

  enum class Compilation {
    Optimised,  // the plain automaton, then the rewrites that make runs faster
    Plain,      // the design's five passes only
  };
  // Flattens the grammar into rows; once, after the whole grammar is built.
  void compile(Compilation compilation = Compilation::Optimised);

  // --- running
  // Runs the bytes of the stream from the rule's start row. The outcome is in the parse
  // state's failed and finished flags.
  void run(std::istream& in, Parsing& state, const Rule& rule) const;

  size_t rowCount() const { return info_.size(); }

 private:
  struct RowInfo {
    int32_t def = -1;
    uint32_t firstAction = 0;
    uint32_t actionCount = 0;
    // Bytes that lead from this row to itself may be taken in a tight loop: running the
    // actions again would only push the byte (when pushesByte) and repeat what already ran.
    bool selfLoop = false;
    bool pushesByte = false;
    // Only pushes, calls, semantic actions and at most one return as the last action: run
    // inline by the main loop, without the general machinery.
    bool simple = false;
    // Entered with a byte that is taken only at its take action (a fused default path: the
    // actions before it ran, in the original rows, before the byte was taken).
    bool takesLate = false;
  };
  // A row while the grammar is compiled; afterwards rows live in info_ and table_.
  struct Row : RowInfo {
    int32_t next[256];
  };
  // A compiled action: the semantic payload is resolved once so that running costs no cast.
  struct CompiledAction {
    int kind;
    int64_t value;
    Callback callback;
    Semantic::ExtentionData* payload;
    const Semantic::Action* action;
  };

  // Internal action kinds of optimised rows, beyond the public ones.
  enum : int {
    kSetCode = 100,  // a semantic action that only stores the parse state's code
    kTake = 101,     // takes the byte a fused row was entered with
  };

  static int hexValue(unsigned char c);  // -1 for a byte that is no hexadecimal digit

  // --- compiling (general_parser_build.cpp)
  void collapse(State* s);
  void processCalls(State* p);
  void processCall(State* from, CallRecord& call);
  State* newJunction(State* returnState);
  void buildTable();
  // --- rewrites (general_parser_optimise.cpp)
  void optimiseRows(const std::vector<int>& junctionRows);  // before the table is built
  void optimiseTable();                                     // after
  void inlineCodesAndMarkLoops();
  void foldJunctions(const std::vector<int>& junctionRows);
  void simplifyCalls();
  void markSimpleRows();
  void fuseDefaults();
  void dropDeadCodes();
  // --- running (general_parser_run.cpp)
  void runActions(Parsing& st) const;
  void runRow(Parsing& st, unsigned char byte) const;
  int32_t nextRow(int32_t row, unsigned char byte) const {
    return table_[static_cast<size_t>(row) * classCount_ + classOf_[byte]];
  }

  int64_t nextNumber();

  std::map<int, State*> index_;                 // states by number
  std::vector<std::unique_ptr<State>> states_;  // storage; states never move
  std::vector<std::unique_ptr<Rule>> rules_;
  std::vector<Row> rows_;  // while compiling
  std::vector<RowInfo> info_;
  // Bytes that every row treats alike share a class; the table has one entry per row and
  // class, which keeps the automaton small enough for the first-level cache.
  unsigned char classOf_[256] = {};
  size_t classCount_ = 0;
  std::vector<int32_t> table_;
  std::vector<CompiledAction> actions_;
  std::vector<std::unique_ptr<Semantic::ExtentionData>> payloads_;
  bool compiled_ = false;
};

// Writes a code point in UTF-8 form: 1 to 6 bytes, surrogates encoded like any other value,
// nothing for a negative value. Returns the number of bytes.
int encodeUtf8CodePoint(int64_t codePoint, char out[6]);
void appendUtf8CodePoint(std::string& out, int64_t codePoint);
void appendUtf8CodePoint(TextBuffer& out, int64_t codePoint);

}  // namespace Brindle
