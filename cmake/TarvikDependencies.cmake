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
