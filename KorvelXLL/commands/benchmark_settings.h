// The sizes of the benchmark commands: settings of the add-in's core, not exports of the shipped file, so
// that tests can run the same code at small sizes.
#pragma once

namespace korvel::xll {

struct BenchmarkSizes {
  long automation_loops = 1000000;  // iterations of each of the ten loops of BenchmarkAutomationCalls
  int xls_block_rows = 3276;        // rows of the block A1:XFD<rows> that XLLbuttonGetArreyXLS reads and writes
  int com_block_rows = 3001;        // rows of the block "A1:xfd<rows>" of XLLbuttonGetArreyCOM
};
extern BenchmarkSizes g_benchmark_sizes;

// Reads the CountLarge of cell (1, 1) of sheet 1 through each road of the AutoWrap family and shows the
// times against the plain AutoWrap. 0 after all ten loops, -1 at the first failing call (no times shown).
int BenchmarkAutomationCalls();

}  // namespace korvel::xll
