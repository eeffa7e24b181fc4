add_executable(platform_bench ${CMAKE_CURRENT_LIST_DIR}/platform_bench.cpp)
target_link_libraries(platform_bench PRIVATE kx_platform benchmark::benchmark benchmark::benchmark_main)
kx_warnings(platform_bench)
