# The layering rule, checked over the sources (run with `cmake -DSOURCE_DIR=<root> -P`, as the
# test "layering.includesPointOneWay" does). Dependencies point one way:
#   programs -> TVKCore -> TVKUtils -> TVKLocalization / QMLogger -> Platform
# and no header outside Platform includes GLib, Cairo, Pango, libical, D-Bus or the desktop's
# toolkits. The build catches most of the second rule by itself (Platform links those libraries
# privately, so their include paths reach no Tarvik target); this check also catches headers
# that sit on the default include path (<libical/ical.h>, <cairo/cairo.h>) and the includes
# between modules, which share one include root.

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<project root> -P CheckLayering.cmake")
endif()

# What each module may include from the project, itself always included.
set(allowed_Platform "Platform")
set(allowed_QMLogger "Platform;QMLogger")
set(allowed_TVKLocalization "Platform;TVKLocalization")
set(allowed_TVKUtils "Platform;QMLogger;TVKLocalization;TVKUtils")
set(allowed_TVKCore "Platform;QMLogger;TVKLocalization;TVKUtils;TVKCore")
set(project_modules "Platform;QMLogger;TVKLocalization;TVKUtils;TVKCore;TarvikWidgetExtension;TarvikHelper;tools")
set(platform_only_libraries "glib|gio|gobject|glib-object|cairo|pango|pangocairo|libical|ical|dbus|gdk|gdk-pixbuf|gtk|librsvg|libecal|libebook|libedataserver")

set(problems "")
foreach(module Platform QMLogger TVKLocalization TVKUtils TVKCore)
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${module}/*.hpp ${SOURCE_DIR}/${module}/*.cpp ${SOURCE_DIR}/${module}/*.h)
  foreach(source ${sources})
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[A-Za-z]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([A-Za-z]+)/.*" "\\1" included "${line}")
      if(included IN_LIST project_modules AND NOT included IN_LIST allowed_${module})
        string(STRIP "${line}" line)
        list(APPEND problems "${source}: ${line}: ${module} may include only ${allowed_${module}}")
      endif()
    endforeach()
  endforeach()
endforeach()

foreach(module QMLogger TVKLocalization TVKUtils TVKCore TarvikWidgetExtension TarvikHelper)
  file(GLOB_RECURSE headers RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${module}/*.hpp ${SOURCE_DIR}/${module}/*.h)
  foreach(header ${headers})
    file(STRINGS ${SOURCE_DIR}/${header} includes REGEX "^[ \t]*#[ \t]*include[ \t]*<(${platform_only_libraries})[/.-]")
    foreach(line ${includes})
      string(STRIP "${line}" line)
      list(APPEND problems "${header}: ${line}: only Platform's sources include this library")
    endforeach()
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " listed)
  message(FATAL_ERROR "the layering rule is broken:\n  ${listed}")
endif()
message(STATUS "the layering rule holds")
