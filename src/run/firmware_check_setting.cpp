#include "run/firmware_check_setting.h"

#include "files/embedded_files.h"
#include "hw/hardware_operations.h"
#include "platform/hardware_platform.h"

namespace tamsel {

FirmwareCheckSetting FirmwareCheckSettingFor(const ProductionState& state) {
  FirmwareCheckSetting setting{state.m_pINI, state.options.m_bAutoMode, state.m_szStartDir};
  const HardwarePlatform* platform = BoundHardwarePlatform();
  const bool simulated = platform != nullptr && platform->IsSimulator();
  if (state.carriedImage == CarriedImageKind::kStandIn && !simulated) {
    if (const EmbeddedBlock* image = FindEmbeddedBlock(state.carriedFiles, kBlockFirmwareImage)) {
      setting.refusedStandIn = image->bytes;
    }
  }
  return setting;
}

}  // namespace tamsel
