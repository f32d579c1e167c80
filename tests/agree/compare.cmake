# Runs the native and the WebAssembly amount printers over the suite's rows and every
# fuzz corpus input, and fails unless they print the same bytes.
# cmake -D NATIVE=... -D NODE=... -D WASM=... -D ROWS=... -D CORPUS=... -D OUT=... -P compare.cmake
file(GLOB_RECURSE inputs LIST_DIRECTORIES false "${CORPUS}/*")
list(SORT inputs)
list(LENGTH inputs count)
if(count EQUAL 0)
  message(FATAL_ERROR "no corpus input under ${CORPUS}")
endif()
execute_process(COMMAND ${NATIVE} ${ROWS} ${inputs} OUTPUT_FILE ${OUT}/native.txt RESULT_VARIABLE native_result)
# Node 20's own fetch would take over the wasm's loading from the disk.
execute_process(COMMAND ${NODE} --no-experimental-fetch ${WASM} ${ROWS} ${inputs}
                OUTPUT_FILE ${OUT}/wasm.txt RESULT_VARIABLE wasm_result)
if(NOT native_result EQUAL 0 OR NOT wasm_result EQUAL 0)
  message(FATAL_ERROR "a printer failed: native ${native_result}, wasm ${wasm_result}")
endif()
file(READ ${OUT}/native.txt native)
file(READ ${OUT}/wasm.txt wasm)
if(NOT native STREQUAL wasm)
  execute_process(COMMAND diff ${OUT}/native.txt ${OUT}/wasm.txt)
  message(FATAL_ERROR "the native and WebAssembly builds read or write amounts differently (< native, > wasm)")
endif()
string(REGEX MATCHALL "\n" lines "${native}")
list(LENGTH lines line_count)
message(STATUS "${line_count} lines alike, over the rows and ${count} corpus inputs")
