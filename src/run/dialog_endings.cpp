#include "run/dialog_endings.h"

#include "files/embedded_files.h"
#include "files/result_files.h"
#include "hw/hardware_operations.h"

namespace tamsel {

void vAcceptPath(const ProductionState& state) {
  StoreINIFile(FixedTextString(state.m_pINI.iniPath), state.m_pINI);
  UnloadQorIODriver();
  vRemoveExtractedFiles(state.carriedFiles, state.m_szStartDir);
}

void vCancelPath(const ProductionState& state) {
  UnloadQorIODriver();
  vRemoveExtractedFiles(state.carriedFiles, state.m_szStartDir);
  if (g_iOverallPass == 0) {
    vWriteResultFile(state.m_szStartDir, g_iOverallPass);
  }
}

}  // namespace tamsel
