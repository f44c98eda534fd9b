# korvane_publish_headers(<target> <folder>)
#
# Makes the headers of src/<folder> includable as "<folder>/name.h" by
# <target> and by whatever links it, and nothing else of src/: each library
# publishes only its own headers, so a layer cannot include one it does not
# link. <folder> may be nested ("ui/route": "ui/route/name.h"). The include
# root is a folder of the build tree of its own for each library, holding one
# link, <folder> -> src/<folder> (a copy of the headers where links are not
# had).
function(korvane_publish_headers target folder)
  string(REPLACE "/" "-" root_name ${folder})
  set(root ${PROJECT_BINARY_DIR}/include/${root_name})
  get_filename_component(link_parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${link_parent})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder}
         COPY_ON_ERROR SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()
