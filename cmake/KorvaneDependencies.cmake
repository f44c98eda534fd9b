# The third-party libraries: found as installed packages, or, for a cross
# build, built from their sources (KORVANE_GTEST_SOURCE, KORVANE_PUGIXML_SOURCE)
# and taken from the header-only packages of the build machine (CLI11).

# pugixml::pugixml
macro(korvane_find_pugixml)
  if(KORVANE_PUGIXML_SOURCE)
    if(NOT TARGET pugixml::pugixml)
      add_library(korvane_pugixml STATIC ${KORVANE_PUGIXML_SOURCE}/pugixml.cpp)
      target_include_directories(korvane_pugixml SYSTEM PUBLIC ${KORVANE_PUGIXML_SOURCE})
      set_target_properties(korvane_pugixml PROPERTIES CXX_CLANG_TIDY "")
      add_library(pugixml::pugixml ALIAS korvane_pugixml)
    endif()
  else()
    find_package(pugixml REQUIRED)
  endif()
endmacro()

# CLI11::CLI11. A header-only library: in a cross build the build machine's
# headers serve, through a folder that holds only them (the build machine's
# include folder itself would bring its C library's headers along).
macro(korvane_find_cli11)
  if(CMAKE_CROSSCOMPILING AND NOT TARGET CLI11::CLI11)
    find_path(KORVANE_CLI11_INCLUDE CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
              REQUIRED)
    set(_cli11_root ${PROJECT_BINARY_DIR}/include/cli11)
    file(MAKE_DIRECTORY ${_cli11_root})
    if(NOT EXISTS ${_cli11_root}/CLI)
      file(CREATE_LINK ${KORVANE_CLI11_INCLUDE}/CLI ${_cli11_root}/CLI COPY_ON_ERROR SYMBOLIC)
    endif()
    add_library(korvane_cli11 INTERFACE)
    target_include_directories(korvane_cli11 SYSTEM INTERFACE ${_cli11_root})
    add_library(CLI11::CLI11 ALIAS korvane_cli11)
  elseif(NOT TARGET CLI11::CLI11)
    find_package(CLI11 CONFIG REQUIRED)
  endif()
endmacro()

# GTest::gtest, GTest::gtest_main, GTest::gmock.
macro(korvane_find_gtest)
  if(KORVANE_GTEST_SOURCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(${KORVANE_GTEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    foreach(_lib gtest gtest_main gmock gmock_main)
      if(NOT TARGET GTest::${_lib})
        add_library(GTest::${_lib} ALIAS ${_lib})
      endif()
    endforeach()
  else()
    find_package(GTest REQUIRED)
  endif()
endmacro()
