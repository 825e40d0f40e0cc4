// The application's icon, compiled in.
#pragma once

#include <wx/iconbndl.h>

// The application's icons at every size of the compiled-in icon file.
wxIconBundle makeAppIconBundle();
