kanvo_benchmark(bench_script
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_script.cpp
  LIBS kanvo_script benchmark::benchmark
  SMOKE_ARGS --benchmark_filter=BM_ScriptLoop --benchmark_min_time=0.0001)
