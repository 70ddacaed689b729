// bench_readers METHOD BYTES REPETITIONS [BUDGET_MS]: the portable readers of the
// directive list, natively (see bench/reader_cases.h). Files are written to
// the current folder.
#include "bench/reader_cases.h"

int main(int argc, char** argv) {
  return merovix::bench::ReaderMain(argc, argv, merovix::bench::PortableReaderCases);
}
