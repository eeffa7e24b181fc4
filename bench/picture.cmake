# Drawing a chart picture: the picture model, and PNG, SVG and PDF files of a large chart.
if(TARGET kx_gantt)
  add_executable(picture_bench ${CMAKE_CURRENT_LIST_DIR}/picture_bench.cpp)
  target_link_libraries(picture_bench PRIVATE kx_gantt kx_job kx_example_projects
                                              benchmark::benchmark)
  kx_warnings(picture_bench)
endif()
