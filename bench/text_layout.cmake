kanvo_benchmark(bench_text_layout
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_text_layout.cpp
  LIBS kanvo_report_engine benchmark::benchmark benchmark::benchmark_main
  SMOKE_ARGS --benchmark_min_time=0.0001 --benchmark_filter=BM_LayoutText/1000/0$)
