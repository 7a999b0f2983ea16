# One library per layer. Each compiles with a view of the source tree that holds only its own
# folders and those of the layers it uses, and theirs (symbolic links under build/layers/), and
# links only those layers: an include of a layer above it fails to compile, a call into one fails
# to link. What the tests, the benchmarks and the program see is the whole tree
# (fluxprobe_logic).
#
#   fluxprobe_layer(NAME FOLDERS f... [USES layer...] [LINKS lib...] [EXCLUDE regex...])
#
# makes the target fluxprobe_NAME from FOLDERS' *.cpp files (an INTERFACE library where there
# are none yet); USES names the layers below it.
function(fluxprobe_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 L "" "" "FOLDERS;USES;LINKS;EXCLUDE")
  set(target fluxprobe_${name})
  set(sources)
  foreach(folder IN LISTS L_FOLDERS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  foreach(pattern IN LISTS L_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${pattern}")
  endforeach()

  set(folders ${L_FOLDERS})
  set(used)
  foreach(layer IN LISTS L_USES)
    get_property(below TARGET fluxprobe_${layer} PROPERTY FLUXPROBE_FOLDERS)
    list(APPEND folders ${below})
    list(APPEND used fluxprobe_${layer})
  endforeach()
  list(REMOVE_DUPLICATES folders)

  if(sources)
    add_library(${target} STATIC ${sources})
    set(view ${PROJECT_BINARY_DIR}/layers/${name})
    file(REMOVE_RECURSE ${view})
    file(MAKE_DIRECTORY ${view})
    foreach(folder IN LISTS folders)
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
    endforeach()
    target_include_directories(${target} PRIVATE ${view})
    target_link_libraries(${target} PUBLIC ${used} ${L_LINKS})
  else()
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE ${used} ${L_LINKS})
  endif()
  set_property(TARGET ${target} PROPERTY FLUXPROBE_FOLDERS "${folders}")
endfunction()
