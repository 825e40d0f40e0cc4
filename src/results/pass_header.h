// The header at the start of every pass file: whose pass it is, on which computer, how far it
// got and under which id. Headers are plain values.
#pragma once

#include <string>

#include "avifile/settings_scheme.h"

class VIXOplay;

// The version every header of this system carries; a header with another one is not ours.
constexpr int kPassFileVersion = 200;

struct PassHeader {
  // The defaults: this computer's name, version 200, everything else empty or 0.
  PassHeader();
  // The header of a running pass at this moment.
  explicit PassHeader(const VIXOplay& play);

  // The id is set and the version is ours.
  bool isValid() const { return !id.empty() && VIXOver == kPassFileVersion; }

  std::wstring computer;  // the computer that wrote the file
  std::wstring expert;    // the observer
  std::string host;       // the address given for an online pass (UTF-8)
  int port = 0;
  bool network = false;  // an online pass
  double progress = 0;   // answered questions over the planned total, 0 to 1
  long long start = 0;   // 100-ns ticks since 1970-01-01 UTC
  std::string id;        // the pass id, a UUID text
  int VIXOver = kPassFileVersion;
  // Not stored in the file: set by the readers.
  int stateNumber = -1;   // the state file the header was read from
  bool finished = false;  // read from a result file
};

// "computer", "expert", "host", "port", "network", "progress", "start", "id", "VIXOver", in this
// order. The scheme points at the header's fields and must not outlive it.
SettingsScheme::Object passHeaderScheme(PassHeader& header);
// The header as the first value of a pass file.
Brindle::JSON passHeaderToJson(const PassHeader& header);
