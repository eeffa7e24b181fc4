# The whole chart command (read, extract, rows, write) against reading the source alone.
add_executable(chart_run_bench ${CMAKE_CURRENT_LIST_DIR}/chart_run_bench.cpp)
target_link_libraries(chart_run_bench PRIVATE kx_job kx_example_projects benchmark::benchmark)
kx_warnings(chart_run_bench)
