#include "task/pass_random.h"

PassRandom::PassRandom() : engine_(std::random_device{}()) {}
