# The station's layers as src/README.md's table lists them: which folders a folder may include.
# The build links each layer's library to exactly those layers, so the table is written once.
include_guard(GLOBAL)

# The folders `folder` may include (the last column of its row), in `out`.
function(orvant_layer_uses folder out)
  set(table ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../src/README.md)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
  file(STRINGS ${table} rows REGEX "^\\| `${folder}` \\|")
  list(LENGTH rows count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "src/README.md: the layer table needs one row for `${folder}`, it has ${count}")
  endif()
  if(NOT rows MATCHES "\\|([^|]*)\\|[ \t]*$")
    message(FATAL_ERROR "src/README.md: the row of `${folder}` does not end with its 'May include' cell")
  endif()
  string(REGEX MATCHALL "`[a-z/]+`" uses "${CMAKE_MATCH_1}")
  string(REPLACE "`" "" uses "${uses}")
  set(${out} ${uses} PARENT_SCOPE)
endfunction()

# Links `target` (with the given keyword: PUBLIC for libraries, PRIVATE for programs) to the
# libraries of the layers that `folder` may include.
function(orvant_link_layers target keyword folder)
  orvant_layer_uses(${folder} uses)
  foreach(use IN LISTS uses)
    target_link_libraries(${target} ${keyword} orvant_${use})
  endforeach()
endfunction()

# A layer of src/: a static library `orvant_<folder>` of the folder's sources.
function(orvant_add_layer folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  add_library(orvant_${folder} STATIC ${sources})
  target_include_directories(orvant_${folder} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  orvant_link_layers(orvant_${folder} PUBLIC ${folder})
endfunction()
