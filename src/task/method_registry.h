// The six test methods, each in its own file pair, for code that needs the methods' own classes
// (their question data, performers and plays). getTestMethods (declared with the method
// interface in vixo_method.h) is defined beside this header.
#pragma once

#include "task/method_custom.h"
#include "task/method_dscqs_i.h"
#include "task/method_dscqs_ii.h"
#include "task/method_dsis.h"
#include "task/method_samviq.h"
#include "task/method_scacj.h"
#include "task/vixo_method.h"
