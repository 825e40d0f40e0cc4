// The test methods: DSIS, DSCQS I, DSCQS II, SCACJ, SAMVIQ and Custom, each the fixed rule set
// of one kind of subjective test. They are made once, on first use, and only read afterwards.
#pragma once

#include <string>
#include <vector>

namespace props {
class Property;
}

class VIXOmethod {
 public:
  VIXOmethod(std::string name, std::wstring description)
      : name(std::move(name)), description(std::move(description)) {}
  virtual ~VIXOmethod() = default;
  VIXOmethod(const VIXOmethod&) = delete;
  VIXOmethod& operator=(const VIXOmethod&) = delete;

  // The task properties that apply to the method, in table order.
  virtual std::vector<const props::Property*> properties() const = 0;

  const std::string name;          // as stored in the task property "method"
  const std::wstring description;  // shown in the editor when the method is chosen
};

class MT_DSIS : public VIXOmethod {
 public:
  MT_DSIS();
  std::vector<const props::Property*> properties() const override;
};

class MT_DSCQS_I : public VIXOmethod {
 public:
  MT_DSCQS_I();
  std::vector<const props::Property*> properties() const override;
};

class MT_DSCQS_II : public VIXOmethod {
 public:
  MT_DSCQS_II();
  std::vector<const props::Property*> properties() const override;
};

class MT_SCACJ : public VIXOmethod {
 public:
  MT_SCACJ();
  std::vector<const props::Property*> properties() const override;
};

class MT_SAMVIQ : public VIXOmethod {
 public:
  MT_SAMVIQ();
  std::vector<const props::Property*> properties() const override;
};

class MT_CUSTOM : public VIXOmethod {
 public:
  MT_CUSTOM();
  std::vector<const props::Property*> properties() const override;
};

// The six methods in registry order: DSIS, DSCQS I, DSCQS II, SCACJ, SAMVIQ, Custom.
const std::vector<const VIXOmethod*>& getTestMethods();
