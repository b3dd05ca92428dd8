kanvo_benchmark(bench_report_run
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_report_run.cpp
  LIBS kanvo_report_engine benchmark::benchmark benchmark::benchmark_main
  SMOKE_ARGS --benchmark_min_time=0.0001 --benchmark_filter=/100$)
target_compile_options(bench_report_run PRIVATE -Wno-restrict)
