kanvo_benchmark(bench_report_model
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_report_model.cpp
  LIBS kanvo_report_model benchmark::benchmark benchmark::benchmark_main
  SMOKE_ARGS --benchmark_min_time=0.0001 --benchmark_filter=/16384$)
target_compile_options(bench_report_model PRIVATE -Wno-restrict)
