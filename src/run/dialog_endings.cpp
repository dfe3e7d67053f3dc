#include "run/dialog_endings.h"

#include "files/embedded_files.h"
#include "files/file_access.h"
#include "files/result_files.h"
#include "hw/hardware_operations.h"
#include "platform/failure_report.h"

namespace tamsel {

void vAcceptPath(ProductionState& state) {
  StoreINIFile(FixedTextString(state.m_pINI.iniPath), state.m_pINI);
  UnloadQorIODriver();
  vRemoveExtractedFiles(state.carriedFiles, state.m_szStartDir);
  state.ending = RunEnding::kAccepted;
}

void vCancelPath(ProductionState& state) {
  UnloadQorIODriver();
  vRemoveExtractedFiles(state.carriedFiles, state.m_szStartDir);
  if (g_iOverallPass == 0) {
    vWriteVerdict(state);
  }
}

void vWriteVerdict(ProductionState& state) {
  const bool passed = g_iOverallPass == 1;
  state.ending = passed ? RunEnding::kPassed : RunEnding::kFailed;
  int error = 0;
  if (!vWriteResultFile(state.m_szStartDir, g_iOverallPass, error)) {
    ReportFailure("CTamselDlg::vWriteResultFile", __LINE__,
                  std::string("Cannot write \"") + (passed ? "Pass" : "Fail") + "\" to " +
                      JoinPath(state.m_szStartDir, kResultFileName) + ": " + SystemErrorText(error));
  }
}

}  // namespace tamsel
