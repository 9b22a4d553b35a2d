# Every outside library the project uses, as imported targets under the Tvk:: prefix, so that
# module CMakeLists name what they need and nothing else.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(ZLIB REQUIRED)
find_package(ICU REQUIRED COMPONENTS uc i18n)
find_package(nlohmann_json 3.10 REQUIRED)
find_package(tl-expected REQUIRED)
find_package(tsl-ordered-map REQUIRED)

pkg_check_modules(TVK_GLIB REQUIRED IMPORTED_TARGET glib-2.0 gobject-2.0 gio-2.0 gio-unix-2.0)
pkg_check_modules(TVK_PLIST REQUIRED IMPORTED_TARGET libplist-2.0)
pkg_check_modules(TVK_URIPARSER REQUIRED IMPORTED_TARGET liburiparser)

add_library(Tvk::glib ALIAS PkgConfig::TVK_GLIB)
add_library(Tvk::plist ALIAS PkgConfig::TVK_PLIST)
add_library(Tvk::uriparser ALIAS PkgConfig::TVK_URIPARSER)
add_library(Tvk::icu INTERFACE IMPORTED)
target_link_libraries(Tvk::icu INTERFACE ICU::i18n ICU::uc)
pkg_check_modules(TVK_LIBICAL REQUIRED IMPORTED_TARGET libical)

# Drawing: text with Pango on Cairo, SVG assets with librsvg (Platform/UI).
pkg_check_modules(TVK_PANGOCAIRO REQUIRED IMPORTED_TARGET pangocairo pango cairo)
pkg_check_modules(TVK_RSVG REQUIRED IMPORTED_TARGET librsvg-2.0)
add_library(Tvk::pangocairo ALIAS PkgConfig::TVK_PANGOCAIRO)
add_library(Tvk::rsvg ALIAS PkgConfig::TVK_RSVG)

# Contact pictures: PNG, JPEG and GIF through GdkPixbuf's loaders (Platform/Contacts).
pkg_check_modules(TVK_GDKPIXBUF REQUIRED IMPORTED_TARGET gdk-pixbuf-2.0)
add_library(Tvk::gdkpixbuf ALIAS PkgConfig::TVK_GDKPIXBUF)

# The desktop widget host's window (Platform/Widgets).
pkg_check_modules(TVK_GTK4 REQUIRED IMPORTED_TARGET gtk4)
add_library(Tvk::gtk4 ALIAS PkgConfig::TVK_GTK4)
