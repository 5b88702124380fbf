# cmake -DSOURCES=<src> -DFORBIDDEN=<dir>|<dir> -DALLOWED=<dir>|<dir> -P CoreHeaders.cmake
#
# Fails when a source or header of a core folder includes a header of Qt Widgets or Qt
# Print Support. The core folders are every folder under <src> except app/ (the programs
# and their widgets) and qtprinter/ (the system's printer), so that a new core folder is
# checked from its first file on. The forbidden headers are the files in the FORBIDDEN
# folders (Qt's include folders of the two modules), reached as <QWidget>, <qwidget.h> or
# <QtWidgets/QWidget>, less any name that a folder of ALLOWED (Qt Core, Qt Gui) holds too.
cmake_minimum_required(VERSION 3.25)

foreach(variable SOURCES FORBIDDEN ALLOWED)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "CoreHeaders.cmake needs -D${variable}=...")
  endif()
endforeach()
string(REPLACE "|" ";" forbidden_dirs "${FORBIDDEN}")
string(REPLACE "|" ";" allowed_dirs "${ALLOWED}")

set(forbidden "")
set(modules "")
foreach(dir IN LISTS forbidden_dirs)
  if(NOT IS_DIRECTORY "${dir}")
    message(FATAL_ERROR "No Qt include folder ${dir}")
  endif()
  get_filename_component(module "${dir}" NAME)
  list(APPEND modules ${module})
  file(GLOB names LIST_DIRECTORIES false RELATIVE "${dir}" "${dir}/*")
  list(APPEND forbidden ${names})
endforeach()
foreach(dir IN LISTS allowed_dirs)
  file(GLOB names LIST_DIRECTORIES false RELATIVE "${dir}" "${dir}/*")
  if(names)
    list(REMOVE_ITEM forbidden ${names})
  endif()
endforeach()
list(LENGTH forbidden forbidden_count)
# A folder with only a handful of files is not a Qt module's include folder: better to
# fail than to pass over every include.
if(forbidden_count LESS 50)
  message(FATAL_ERROR "Only ${forbidden_count} Qt Widgets and Print Support headers found in ${FORBIDDEN}")
endif()
list(JOIN modules "|" module_names)

file(GLOB folders LIST_DIRECTORIES true RELATIVE "${SOURCES}" "${SOURCES}/*")
set(checked 0)
set(found "")
foreach(folder IN LISTS folders)
  if(NOT IS_DIRECTORY "${SOURCES}/${folder}" OR folder STREQUAL "app" OR folder STREQUAL "qtprinter")
    continue()
  endif()
  file(GLOB_RECURSE files "${SOURCES}/${folder}/*.h" "${SOURCES}/${folder}/*.hpp"
       "${SOURCES}/${folder}/*.cpp" "${SOURCES}/${folder}/*.cc")
  foreach(file IN LISTS files)
    math(EXPR checked "${checked} + 1")
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"][^>\"]+[>\"]")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*$" "\\1" header "${line}")
      string(REGEX REPLACE "^(${module_names})/" "" name "${header}")
      if(NOT name STREQUAL header OR name IN_LIST forbidden)
        file(RELATIVE_PATH shown "${SOURCES}" "${file}")
        list(APPEND found "  ${shown}: ${header}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(found)
  list(JOIN found "\n" found)
  message(FATAL_ERROR
    "Core sources include Qt Widgets or Qt Print Support headers:\n${found}\n"
    "The core (every folder of ${SOURCES} but app/ and qtprinter/) runs without widgets; "
    "move the code that needs them under app/.")
endif()
message(STATUS "${checked} core files include no Qt Widgets or Qt Print Support header")
