#pragma once
// The process-wide hardware operations. Each is one or more requests over the
// DeviceIoControl-shaped driver seam to whichever device end is bound (the
// simulator or the Linux in-process driver). While the driver is not loaded
// every operation answers without sending a request.

#include <cstdint>

namespace tamsel {

bool LoadQorIODriver();
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
