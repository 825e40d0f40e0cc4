#include "results/pass_header.h"

#include "avifile/avi_system.h"
#include "task/play.h"

PassHeader::PassHeader() : computer(getComputerName()) {}

PassHeader::PassHeader(const VIXOplay& play) : PassHeader() {
  const PlayContext& context = play.context;
  expert = context.expert;
  host = context.host;
  port = context.port;
  network = context.network;
  progress = static_cast<double>(play.progress());
  start = context.startTime;
  id = context.passId;
}

SettingsScheme::Object passHeaderScheme(PassHeader& header) {
  SettingsScheme::Object scheme;
  scheme.add(L"computer", &header.computer)
      .add(L"expert", &header.expert)
      .add(L"host", &header.host)
      .add(L"port", &header.port)
      .add(L"network", &header.network)
      .add(L"progress", &header.progress)
      .add(L"start", &header.start)
      .add(L"id", &header.id)
      .add(L"VIXOver", &header.VIXOver);
  return scheme;
}

Brindle::JSON passHeaderToJson(const PassHeader& header) {
  PassHeader copy = header;  // the scheme binds to fields it could change
  return passHeaderScheme(copy).save();
}
