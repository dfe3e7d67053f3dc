#pragma once
// The process-wide hardware operations. Each is one or more requests over the
// DeviceIoControl-shaped driver seam to whichever device end is bound (the
// simulator or the Linux in-process driver). While the driver is not loaded
// every operation answers without sending a request.

#include <cstdint>
#include <string>

namespace tamsel {

class HardwarePlatform;

// Binds the machine the operations run on, process-wide: the Linux driver,
// the simulator, or a test's platform. Binding drops any open device of the
// previous platform; nullptr leaves nothing bound (every load then fails).
// The platform must outlive its binding.
void BindHardwarePlatform(HardwarePlatform* platform);
HardwarePlatform* BoundHardwarePlatform();

// The directory the driver service's binary path points into: where start-up
// writes the driver files. Empty (the default) means the current directory.
void SetQorIODriverDirectory(std::string directory);

// True while the driver's device is open.
bool IsQorIODriverLoaded();

bool LoadQorIODriver();
// The same; when it fails, `reason` says which step failed and why, in the
// words of the service seam (empty on success).
bool LoadQorIODriver(std::string& reason);
bool UnloadQorIODriver();

uint8_t PciReadConfigByte(uint8_t bus, uint8_t device, uint8_t function, uint8_t offset);
bool PciWriteConfigByte(uint8_t bus, uint8_t device, uint8_t function, uint8_t offset, uint8_t value);

uint32_t MapMem(uint32_t physical);  // 0x1000-byte window; 0 on failure
void UnmapMem(uint32_t mapped);
int32_t ReadMem(uint32_t address, uint32_t count, uint8_t* destination);    // 0 or -2
int32_t WriteMem(uint32_t address, uint32_t count, const uint8_t* source);  // 0 or -2

// The millisecond tick count of the bound machine: a steady clock on real
// hardware, the virtual clock on the simulator.
uint32_t GetTickCountMs();

}  // namespace tamsel

extern "C" int32_t SET_DEBUG_LEVEL(int32_t level);
