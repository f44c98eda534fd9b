# Formats each manual page as man does on a UTF-8 terminal and fails on any
# warning of groff (a line that cannot be broken or adjusted, an unknown
# request, a character the device lacks).
#   cmake -DPAGES="a.1;b.1" -P man_pages.cmake
foreach(page IN LISTS PAGES)
  foreach(width 80 64)
    execute_process(COMMAND env LC_ALL=C.UTF-8 MANWIDTH=${width} man --warnings -E UTF-8 -l ${page}
      RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 0 OR NOT err STREQUAL "" OR out STREQUAL "")
      message(SEND_ERROR "${page} at ${width} columns: status ${status}\n${err}")
    endif()
  endforeach()
endforeach()
