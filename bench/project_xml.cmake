# Reading the large generated project into the model, against pugixml parsing the same file.
add_executable(project_xml_bench ${CMAKE_CURRENT_LIST_DIR}/project_xml_bench.cpp)
target_link_libraries(project_xml_bench PRIVATE kx_project_xml kx_example_projects
                                                benchmark::benchmark)
kx_warnings(project_xml_bench)
