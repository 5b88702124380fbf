# The core libraries (reading tables, settings, the print-device interface, the services,
# the report, the exports and the book) never link Qt Widgets or Qt Print Support, not
# even through another library: the command line and the tests run them without a display.
# korvex_check_core_links() walks the link libraries of each core target that exists, and
# of everything they link, and stops the configure step at the first forbidden library
# with the chain that pulls it in.

set(KORVEX_CORE_LIBRARIES
  korvex_files korvex_structure korvex_settings korvex_device korvex_services korvex_report
  korvex_export korvex_book korvex_browser korvex_server)
# A link item that names one of these, as a target, a file or a linker flag.
set(KORVEX_FORBIDDEN_TARGETS "^Qt6?::(Widgets|PrintSupport)$")
set(KORVEX_FORBIDDEN_FILES "Qt6(Widgets|PrintSupport)([.]|$)")

# The link items of target, direct and interface, without the markers CMake adds around
# items linked from another folder; $<LINK_ONLY:x> counts as x. Other generator
# expressions cannot be evaluated here and are left out.
function(_korvex_link_items target out)
  set(items "")
  foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
    get_target_property(value ${target} ${property})
    if(value)
      list(APPEND items ${value})
    endif()
  endforeach()
  set(result "")
  foreach(item IN LISTS items)
    if(item MATCHES "^::@")
      continue()
    endif()
    if(item MATCHES "^\\$<LINK_ONLY:([^$<>]+)>$")
      set(item "${CMAKE_MATCH_1}")
    endif()
    if(item MATCHES "\\$<")
      continue()
    endif()
    if(TARGET ${item})
      get_target_property(aliased ${item} ALIASED_TARGET)
      if(aliased)
        set(item ${aliased})
      endif()
    endif()
    list(APPEND result ${item})
  endforeach()
  list(REMOVE_DUPLICATES result)
  set(${out} ${result} PARENT_SCOPE)
endfunction()

function(korvex_check_core_links)
  foreach(core IN LISTS KORVEX_CORE_LIBRARIES)
    if(NOT TARGET ${core})
      continue()
    endif()
    # Breadth first over the link graph; each entry remembers the chain that reached it.
    set(queue ${core})
    set(chain_${core} ${core})
    set(seen ${core})
    while(queue)
      list(POP_FRONT queue current)
      if(NOT TARGET ${current})
        continue()
      endif()
      _korvex_link_items(${current} items)
      foreach(item IN LISTS items)
        set(path "${chain_${current}} -> ${item}")
        if(item MATCHES "${KORVEX_FORBIDDEN_TARGETS}" OR item MATCHES "${KORVEX_FORBIDDEN_FILES}")
          message(FATAL_ERROR
            "The core library ${core} links ${item}: ${path}\n"
            "The core libraries (${KORVEX_CORE_LIBRARIES}) stay free of Qt Widgets and Qt "
            "Print Support; link widgets from the libraries under src/app instead.")
        endif()
        if(TARGET ${item} AND NOT item IN_LIST seen)
          list(APPEND seen ${item})
          list(APPEND queue ${item})
          set(chain_${item} "${path}")
        endif()
      endforeach()
    endwhile()
  endforeach()
endfunction()
