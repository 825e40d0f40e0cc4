# Imported targets for the system libraries the modules link.

# wxWidgets (GTK 3): vixo::wx with the components the windows need.
find_package(wxWidgets 3.2 REQUIRED COMPONENTS core base)
add_library(vixo_wx INTERFACE)
target_include_directories(vixo_wx SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(vixo_wx INTERFACE ${wxWidgets_DEFINITIONS})
target_compile_options(vixo_wx INTERFACE ${wxWidgets_CXX_FLAGS})
target_link_libraries(vixo_wx INTERFACE ${wxWidgets_LIBRARIES})
add_library(vixo::wx ALIAS vixo_wx)

# The property grid of the task editor: vixo::wx_propgrid.
find_package(wxWidgets 3.2 REQUIRED COMPONENTS propgrid core base)
add_library(vixo_wx_propgrid INTERFACE)
target_link_libraries(vixo_wx_propgrid INTERFACE vixo::wx ${wxWidgets_LIBRARIES})
add_library(vixo::wx_propgrid ALIAS vixo_wx_propgrid)

# GIO, for the file manager over D-Bus.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0)
add_library(vixo::gio ALIAS PkgConfig::GIO)

# libuuid, for new random UUIDs.
pkg_check_modules(UUID REQUIRED IMPORTED_TARGET uuid)
add_library(vixo::uuid ALIAS PkgConfig::UUID)

# FFmpeg: demultiplexing, decoding and pixel-format conversion of videos. Only the video
# source modules link them.
pkg_check_modules(LIBAVFORMAT REQUIRED IMPORTED_TARGET libavformat)
pkg_check_modules(LIBAVCODEC REQUIRED IMPORTED_TARGET libavcodec)
pkg_check_modules(LIBAVUTIL REQUIRED IMPORTED_TARGET libavutil)
pkg_check_modules(LIBSWSCALE REQUIRED IMPORTED_TARGET libswscale)
add_library(vixo::avformat ALIAS PkgConfig::LIBAVFORMAT)
add_library(vixo::avcodec ALIAS PkgConfig::LIBAVCODEC)
add_library(vixo::avutil ALIAS PkgConfig::LIBAVUTIL)
add_library(vixo::swscale ALIAS PkgConfig::LIBSWSCALE)

# cairo, through which the video painter draws its pictures into windows (GTK draws with it).
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
add_library(vixo::cairo ALIAS PkgConfig::CAIRO)
