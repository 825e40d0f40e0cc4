#include "task/method_registry.h"

const std::vector<const VIXOmethod*>& getTestMethods() {
  static const MT_DSIS dsis;
  static const MT_DSCQS_I dscqs1;
  static const MT_DSCQS_II dscqs2;
  static const MT_SCACJ scacj;
  static const MT_SAMVIQ samviq;
  static const MT_CUSTOM custom;
  static const std::vector<const VIXOmethod*> methods = {&dsis,  &dscqs1, &dscqs2,
                                                         &scacj, &samviq, &custom};
  return methods;
}
