# Installs the build tree into a scratch prefix and checks that the programs,
# the icons and the menu entry land where desktops look for them.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DEXPECTED="bin/korvane;..." -P install_layout.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(path IN LISTS EXPECTED)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
if(DESKTOP_ENTRY)
  file(READ "${PREFIX}/${DESKTOP_ENTRY}" entry)
  foreach(line "Exec=korvane" "Icon=korvane" "Type=Application")
    string(FIND "${entry}" "\n${line}\n" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "korvane.desktop lacks the line ${line}")
    endif()
  endforeach()
endif()
file(REMOVE_RECURSE "${PREFIX}")
