kanvo_benchmark(bench_pdf
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_pdf.cpp
  LIBS kanvo_pdf benchmark::benchmark benchmark::benchmark_main
  SMOKE_ARGS --benchmark_min_time=0.0001 --benchmark_filter=/100$)
