# The exports of a large chart run: reading the table, and writing CSV, iCalendar and workbook.
add_executable(exports_bench ${CMAKE_CURRENT_LIST_DIR}/exports_bench.cpp)
target_link_libraries(exports_bench PRIVATE kx_exports kx_platform kx_example_projects
                                            benchmark::benchmark)
kx_warnings(exports_bench)
