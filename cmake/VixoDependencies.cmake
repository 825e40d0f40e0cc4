# Imported targets for the system libraries the modules link.

# wxWidgets (GTK 3): vixo::wx with the components the windows need.
find_package(wxWidgets 3.2 REQUIRED COMPONENTS core base)
add_library(vixo_wx INTERFACE)
target_include_directories(vixo_wx SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(vixo_wx INTERFACE ${wxWidgets_DEFINITIONS})
target_compile_options(vixo_wx INTERFACE ${wxWidgets_CXX_FLAGS})
target_link_libraries(vixo_wx INTERFACE ${wxWidgets_LIBRARIES})
add_library(vixo::wx ALIAS vixo_wx)

# GIO, for the file manager over D-Bus.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0)
add_library(vixo::gio ALIAS PkgConfig::GIO)

# libuuid, for new random UUIDs.
pkg_check_modules(UUID REQUIRED IMPORTED_TARGET uuid)
add_library(vixo::uuid ALIAS PkgConfig::UUID)

# libswscale with libavutil: the reference that the raw-image library's conversions are checked
# and timed against.
pkg_check_modules(RAWIMAGE_SWSCALE REQUIRED IMPORTED_TARGET libswscale libavutil)
