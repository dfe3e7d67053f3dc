#include "qorio_pci.h"

#include "qorio_protocol.h"

#define QORIO_ID_REGISTER 0x00u
#define QORIO_HEADER_TYPE_REGISTER 0x0Cu /* the dword holding the header type at 0x0E */
#define QORIO_MULTI_FUNCTION 0x00800000u /* bit 7 of the header type, in that dword */
#define QORIO_BAR0_REGISTER 0x10u
#define QORIO_BAR1_REGISTER 0x14u
#define QORIO_BAR_IO_SPACE 0x1u
#define QORIO_BAR_TYPE_MASK 0x6u
#define QORIO_BAR_TYPE_64 0x4u
#define QORIO_BAR_FLAGS 0xFu
#define QORIO_NO_FUNCTION 0xFFFFu

struct qorio_register_range {
  uint32_t first;
  uint32_t end; /* one past the last byte */
};

/* The base address registers and the expansion ROM base of a type 0 header. */
static const struct qorio_register_range qorio_protected_registers[] = {
    {0x10u, 0x28u},
    {0x30u, 0x34u},
};

static uint32_t qorio_read_dword(const struct qorio_backend* backend, uint32_t function, uint32_t offset) {
  return backend->config_read(backend->context, function | offset, 0, 4);
}

static bool qorio_ids_supported(uint32_t ids) {
  const uint32_t vendor = ids & 0xFFFFu;
  const uint32_t device = ids >> 16;
#define QORIO_MATCH(v, d) \
  if (vendor == (v) && device == (d)) return true;
  QORIO_FOR_EACH_SUPPORTED_CONTROLLER(QORIO_MATCH)
#undef QORIO_MATCH
  return false;
}

bool qorio_function_is_supported(const struct qorio_backend* backend, uint32_t address) {
  if ((address & QORIO_CONFIG_ENABLE) == 0) return false;
  return qorio_ids_supported(qorio_read_dword(backend, address & ~0xFFu, QORIO_ID_REGISTER));
}

bool qorio_register_is_protected(uint32_t offset, uint32_t width) {
  for (uint32_t i = 0; i < sizeof qorio_protected_registers / sizeof qorio_protected_registers[0]; ++i) {
    const struct qorio_register_range* range = &qorio_protected_registers[i];
    if (offset < range->end && offset + width > range->first) return true;
  }
  return false;
}

/* BAR0 of the function as a 32-bit memory base; 0 for an I/O BAR, an
 * unassigned one, or a 64-bit one placed above 4 GiB. */
static uint32_t qorio_bar0_base(const struct qorio_backend* backend, uint32_t function) {
  const uint32_t bar0 = qorio_read_dword(backend, function, QORIO_BAR0_REGISTER);
  if ((bar0 & QORIO_BAR_IO_SPACE) != 0) return 0;
  if ((bar0 & QORIO_BAR_TYPE_MASK) == QORIO_BAR_TYPE_64 &&
      qorio_read_dword(backend, function, QORIO_BAR1_REGISTER) != 0) {
    return 0;
  }
  return bar0 & ~QORIO_BAR_FLAGS;
}

static bool qorio_page_in_bar0_of(const struct qorio_backend* backend, uint32_t function, uint32_t physical) {
  const uint32_t base = qorio_bar0_base(backend, function);
  return base != 0 && physical >= base && physical - base <= QORIO_BAR0_KNOWN_SPAN - QORIO_WINDOW_LENGTH;
}

bool qorio_page_in_controller_bar0(const struct qorio_backend* backend, uint32_t physical) {
  for (uint32_t bus = 0; bus <= 0xFFu; ++bus) {
    for (uint32_t device = 0; device <= 0x1Fu; ++device) {
      uint32_t functions = 1;
      for (uint32_t function = 0; function < functions; ++function) {
        const uint32_t address = QORIO_CONFIG_ADDRESS(bus, device, function, 0);
        const uint32_t ids = qorio_read_dword(backend, address, QORIO_ID_REGISTER);
        if ((ids & 0xFFFFu) == QORIO_NO_FUNCTION) continue;
        if (function == 0 &&
            (qorio_read_dword(backend, address, QORIO_HEADER_TYPE_REGISTER) & QORIO_MULTI_FUNCTION) != 0) {
          functions = 8;
        }
        if (qorio_ids_supported(ids) && qorio_page_in_bar0_of(backend, address, physical)) return true;
      }
    }
  }
  return false;
}
