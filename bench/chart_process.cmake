# The chart command as a process on generated plans of 2,000 and 10,000 resources, against the
# parse floor of the same run: build/release/bench/chart_process [--runs 5].
add_executable(chart_process ${CMAKE_CURRENT_LIST_DIR}/chart_process.cpp)
target_compile_definitions(chart_process PRIVATE
  KX_MAKE_EXAMPLES="$<TARGET_FILE:make_examples>"
  KX_PARSE_FLOOR="$<TARGET_FILE:parse_floor>"
  KX_KORVALINX="$<TARGET_FILE:korvalinx>")
add_dependencies(chart_process make_examples parse_floor korvalinx)
kx_warnings(chart_process)
