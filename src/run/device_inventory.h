#pragma once
// The inventory: which controllers there are, where they sit, which firmware
// each runs and stores, and which flash chip it carries.

#include "hw/device_table.h"
#include "run/run_dialog.h"

namespace tamsel {

// Scans the buses, reads every found device's flash (ReadSPIROM) and writes
// the elapsed time as a trace and a history line.
void InitDevProcess(DeviceTable& devices);

// Fills the slot's chip name, capacity, option ROM and stored firmware
// version texts from its flash; "None" for all four when the controller
// cannot be opened, granted or its chip detected. Leaves the window closed.
void ReadSPIROM(DeviceSlot& slot);

// Rebuilds the list rows from the device table.
void vFillDeviceRows(DeviceTable& devices, RunDialog& dialog);

}  // namespace tamsel
