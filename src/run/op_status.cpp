#include "run/op_status.h"

#include <array>

namespace tamsel {

namespace {

constexpr std::array<const char*, 18> kMessages = {
    "No operations.",
    "Init SPI controller fail.",
    "Get SPI control Grant fail.",
    "Can't detect SPI flash ROM.",
    "Erase SPI flash ROM fail.",
    "Erase SPI flash ROM pass.",
    "SPI ROM capacity less than ROM file.",
    "Read Customer Configuration Table fail.",
    "Read Firmware Record Table fail.",
    "Update SPI flash ROM fail.",
    "Update SPI flash ROM pass.",
    "Can't open the file",
    "Allocate memory fail.",
    "Not a valid ROM file.",
    "A ROM file must be designated.",
    "None",
    "None",
    "No device to operate.",
};

}  // namespace

const char* OpStatusMessage(OpStatus code) {
  return code < kMessages.size() ? kMessages[code] : "None";
}

bool IsPassStatus(OpStatus code) {
  return code == op_status::kErasePass || code == op_status::kUpdatePass;
}

}  // namespace tamsel
