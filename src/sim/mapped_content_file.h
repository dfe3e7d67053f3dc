#pragma once
// A flash content file mapped shared into memory: writes reach the file at
// once (the kernel keeps them even if the process dies).

#include <memory>
#include <string>

#include "sim/flash_storage.h"

namespace tamsel::sim {

// Opens or creates `path` holding `size` bytes: a missing file is created
// erased (0xFF), a shorter one is extended with 0xFF, a longer one is refused,
// and so is anything but a regular file (a symbolic link is never followed).
// nullptr with `error` set on failure.
std::unique_ptr<FlashStorage> MapContentFile(const std::string& path, std::size_t size, std::string& error);

}  // namespace tamsel::sim
