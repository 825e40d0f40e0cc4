// Task files from arbitrary bytes: no crash, and a refused file leaves the task as it was. An
// accepted task is written out and read back to the same task.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "avifile/json_parser.h"
#include "task/task.h"

namespace {

Task sentinel() {
  Task t;
  t.name = L"sentinel";
  t.files.push_back({L"s", L"/s.avi", 2});
  t.references = {0};
  t.properties["margin"] = Any::of(3LL);
  return t;
}

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  Brindle::JSON value;
  try {
    value = Brindle::JSONparser::parse(in);
  } catch (const Brindle::JSONparser::Error&) {
    return 0;
  }
  Task task = sentinel();
  if (!taskFromJson(task, value, L"/tasks/t.vixo")) {
    if (compareTasks(task, sentinel()) != 0) fail("a refused document changed the task");
    return 0;
  }
  // Written without a task file the paths stay as read; reading them again changes nothing.
  Task again;
  if (!taskFromJson(again, taskToJson(task, L""), L"")) fail("a written task does not read back");
  if (compareTasks(again, task) != 0) fail("a task changed on its way through its file");
  return 0;
}
