# The layer graph, written once. Each row is a folder and the layers it builds on directly,
# bottom to top. CMakeLists.txt links each layer's library to the libraries of the layers its
# row names; check_layers.cmake lets each folder include its own headers and those of every
# layer it reaches through its row. To let a layer use another one, add it to the layer's row.
# The last rows are the programs' folders (tests, fuzz harnesses, benchmarks): they link the
# harness, are only checked, and may name their own headers without the folder.
set(gs_layer_graph
  # folder     the layers it builds on
  "core"
  "platform    core"
  "reader      core"
  "finish      core"
  "timetable   core"
  "scenario    core"
  "format      core"
  "diagnostics reader finish timetable scenario format"
  "builder     platform reader finish format scenario diagnostics"
  "lsp         diagnostics builder timetable platform"
  "decompile   builder"
  "documents   scenario timetable"
  "tools       documents timetable decompile builder lsp diagnostics"
  "harness     tools"
  "bench       harness"
  "fuzz        harness"
  "tests       harness bench"
)
set(gs_program_folders bench fuzz tests)

# The layers a folder builds on directly, into the variable named by `result`.
function(gs_layer_links folder result)
  foreach(row IN LISTS gs_layer_graph)
    separate_arguments(fields UNIX_COMMAND "${row}")
    list(POP_FRONT fields name)
    if(name STREQUAL folder)
      set(${result} "${fields}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "${folder}/ is not in the layer graph of cmake/layers.cmake")
endfunction()

# The folders whose headers a folder may include: itself and every layer below it.
function(gs_layer_reach folder result)
  set(reach ${folder})
  set(pending ${folder})
  while(pending)
    list(POP_FRONT pending current)
    gs_layer_links(${current} below)
    foreach(layer IN LISTS below)
      if(NOT layer IN_LIST reach)
        list(APPEND reach ${layer})
        list(APPEND pending ${layer})
      endif()
    endforeach()
  endwhile()
  set(${result} "${reach}" PARENT_SCOPE)
endfunction()

# Every folder of the graph, bottom to top.
function(gs_layer_folders result)
  set(folders "")
  foreach(row IN LISTS gs_layer_graph)
    separate_arguments(fields UNIX_COMMAND "${row}")
    list(GET fields 0 name)
    list(APPEND folders ${name})
  endforeach()
  set(${result} "${folders}" PARENT_SCOPE)
endfunction()
