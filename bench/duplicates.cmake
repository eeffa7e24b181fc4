# The launch's duplicate-name check and the resource model over large resource sheets.
add_executable(duplicates_bench ${CMAKE_CURRENT_LIST_DIR}/duplicates_bench.cpp)
target_link_libraries(duplicates_bench PRIVATE kx_addin kx_resources kx_platform benchmark::benchmark)
kx_warnings(duplicates_bench)
