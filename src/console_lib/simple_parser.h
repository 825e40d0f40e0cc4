// A small table-driven state machine over command-line tokens.
//
// A grammar is a set of states. Entering a state runs its actions; its transitions, tried in
// order, name the state the next token leads to; a state whose transitions all refuse a token
// hands it on to its fallback state. Help texts are actions too, so the help table is generated
// from the grammar itself.
//
// A grammar is built once and then only read: one grammar may serve several parses at a time,
// each with its own parse process.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "avifile/assertion.h"

namespace CmdParserNew {

// One token: an argument (end false), or the end marker (empty text, end true) fed after the
// last argument.
struct Lexem {
  std::wstring text;
  bool end = false;
};

}  // namespace CmdParserNew

class SimpleParser {
 public:
  class State;
  class ParseProcess;

  using Predicate = std::function<bool(const CmdParserNew::Lexem&)>;

  // Base of the visitors that walk a grammar.
  class StateVisitor {
   public:
    virtual ~StateVisitor();
  };

  // An action run when its state is entered.
  class Invokable {
   public:
    virtual void invoke(ParseProcess& process) const = 0;
    // Lets a visitor see the action; does nothing unless overridden.
    virtual void accept(StateVisitor& visitor) const;
    virtual std::shared_ptr<Invokable> clone() const = 0;
    virtual ~Invokable();
  };

  struct HelpEntry {
    std::wstring usage;
    std::wstring description;
    int32_t section = 0;
    std::wstring sectionName;
  };

  // Carries one help entry; does nothing when run.
  class SetHelp : public Invokable {
   public:
    // Files the entries of a grammar by section: number first, then name.
    class HelpCollector : public StateVisitor {
     public:
      using Sections = std::map<std::pair<int32_t, std::wstring>, std::vector<HelpEntry>>;
      void add(HelpEntry entry);
      const Sections& sections() const { return sections_; }

     private:
      Sections sections_;
    };

    SetHelp(std::wstring usage, std::wstring description, int32_t section,
            std::wstring sectionName);
    void invoke(ParseProcess& process) const override;
    void accept(StateVisitor& visitor) const override;
    std::shared_ptr<Invokable> clone() const override;

   private:
    HelpEntry entry_;
  };

  // Runs a callable on the parse process, which must be of type Process.
  template <class Process>
  class ParseProcessMemberFunction : public Invokable {
   public:
    using Function = std::function<void(Process&)>;
    explicit ParseProcessMemberFunction(Function function) : function_(std::move(function)) {}
    void invoke(ParseProcess& process) const override {
      Process* typed = dynamic_cast<Process*>(&process);
      VIXO_ASSERT(typed != nullptr);
      function_(*typed);
    }
    std::shared_ptr<Invokable> clone() const override {
      return std::make_shared<ParseProcessMemberFunction>(*this);
    }

   private:
    Function function_;
  };

  struct Transition {
    Predicate predicate;
    const State* target = nullptr;
  };

  class State {
   public:
    const std::vector<Transition>& transitions() const { return transitions_; }

   private:
    friend class SimpleParser;
    std::vector<std::shared_ptr<Invokable>> actions_;
    std::vector<Transition> transitions_;
    const State* fallback_ = nullptr;
  };

  // The state of one parse. Derived classes add the fields the actions fill.
  class ParseProcess {
   public:
    explicit ParseProcess(const SimpleParser& grammar) : grammar_(&grammar) {}
    virtual ~ParseProcess();
    // Called once the end marker has been accepted.
    virtual void finished() = 0;

    const SimpleParser& grammar() const { return *grammar_; }
    const State* currentState() const { return current_; }

   private:
    friend class SimpleParser;
    const SimpleParser* grammar_;
    const State* current_ = nullptr;
  };

  // Builds a grammar: names one of its states.
  class Handle {
   public:
    // Appends a transition to a new state and returns that state.
    Handle transition(Predicate predicate) const;
    // Appends a copy of the action; returns this handle so that calls chain.
    Handle action(const Invokable& action) const;
    Handle fallback(const Handle& target) const;
    const State& state() const { return *state_; }

   private:
    friend class SimpleParser;
    Handle(SimpleParser& grammar, State& state) : grammar_(&grammar), state_(&state) {}
    SimpleParser* grammar_;
    State* state_;
  };

  // Creates the start and the end state.
  SimpleParser();
  SimpleParser(const SimpleParser&) = delete;
  SimpleParser& operator=(const SimpleParser&) = delete;

  Handle start();
  Handle end();
  const State& startState() const { return *start_; }
  const State& endState() const { return *end_; }
  size_t stateCount() const { return states_.size(); }

  // Enters the start state.
  void begin(ParseProcess& process) const;
  // Moves the process on by one token. False when no state on the fallback chain takes it; the
  // process then stands on the last state of that chain.
  bool feed(ParseProcess& process, const CmdParserNew::Lexem& token) const;

  // Shows the visitor the start state's actions, then those of every state reachable from it by
  // transitions, depth first. Fallbacks are not followed.
  void visit(StateVisitor& visitor) const;

 private:
  State& newState();
  void enter(ParseProcess& process, const State* state) const;
  void visitState(StateVisitor& visitor, const State& state) const;

  std::vector<std::unique_ptr<State>> states_;
  State* start_;
  State* end_;
};
