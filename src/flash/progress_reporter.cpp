#include "flash/progress_reporter.h"

namespace tamsel {

void vReportProgress(const ProgressReporter& reporter, uint32_t percent) {
  reporter.out() << '\r' << percent << "%..." << std::flush;
  reporter.PumpMessages();
}

}  // namespace tamsel
