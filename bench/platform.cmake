kanvo_benchmark(bench_platform
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_code_page.cpp
  LIBS kanvo_platform benchmark::benchmark benchmark::benchmark_main
  SMOKE_ARGS --benchmark_min_time=0.0001 --benchmark_filter=/1024$)
