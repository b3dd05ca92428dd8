kanvo_benchmark(bench_expressions
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_expressions.cpp
  LIBS kanvo_report_engine benchmark::benchmark
  SMOKE_ARGS --benchmark_filter=BM_Calc|BM_CompileExpressions/250$ --benchmark_min_time=0.0001)
