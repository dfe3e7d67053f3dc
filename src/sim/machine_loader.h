#pragma once
// Loads a simulated machine from its directory: DIR/machine.json (the default
// machine is written there first when the file is missing) and the flash
// content files it names, each mapped shared so every change the program
// makes persists however it ends.

#include <memory>
#include <string>

#include "sim/machine.h"

namespace tamsel::sim {

inline constexpr const char* kMachineFileName = "machine.json";

// The loaded machine, or nullptr with `error` set to one line naming the file
// and the fault. `makeChip` defaults to the SPI NOR model.
std::unique_ptr<Machine> LoadMachine(const std::string& directory, std::string& error,
                                     const ChipFactory& makeChip = {});

// Writes the default machine.json and its content files (each holding a valid
// older firmware image, version 24 12 24 00 00 02) into `directory`; existing
// content files are kept. False with `error` set on failure.
bool WriteDefaultMachine(const std::string& directory, std::string& error);

}  // namespace tamsel::sim
