// The library's only export: the entry that the host programs call.
#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

#include <iostream>

#include "app/start_options.h"
#include "app/vixo_app.h"

extern "C" __attribute__((visibility("default"))) int startVIXO(int argc, wchar_t** argv,
                                                                bool openMode) {
  StartOptions options;
  if (readStartOptions(argc, argv, openMode, options, std::cerr) != 0) return 100;
  auto* app = new MyApp(options);  // the toolkit owns it from here
  wxApp::SetInstance(app);
  // The toolkit's own messages (a display it cannot open, say) go to standard error: a box
  // could not be shown then, and boxes are the application's own otherwise.
  // The toolkit deletes the target when it ends.
  delete wxLog::SetActiveTarget(new wxLogStderr());
  wxLog::DisableTimestamp();
  bool started = false;
  app->onStarted = [&started] { started = true; };
  // The toolkit sees none of the program's arguments.
  wchar_t empty[] = L"";
  wchar_t* noArguments[] = {empty, nullptr};
  int count = 0;
  wxEntry(count, noArguments);
  // A toolkit that could not start (no display) is not a normal start.
  return started ? 0 : 1;
}
