# The floor the whole chart command is measured against: pugixml parsing a plan and walking its
# calendar exceptions, resources and timephased records (bench/chart_process.cpp runs it).
add_executable(parse_floor ${CMAKE_CURRENT_LIST_DIR}/parse_floor.cpp)
target_link_libraries(parse_floor PRIVATE pugixml::pugixml)
kx_warnings(parse_floor)
