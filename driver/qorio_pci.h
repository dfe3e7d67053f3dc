/*
 * What the driver itself reads of PCI configuration space to decide a
 * request: whether a function is a supported controller, which registers of
 * it are never written through the driver, and whether a page lies in the
 * part of a supported controller's BAR0 the driver maps.
 */
#ifndef QORIO_PCI_H
#define QORIO_PCI_H

#include <stdbool.h>
#include <stdint.h>

#include "qorio_backend.h"

/* The first bytes of BAR0 every supported controller decodes: its register
 * page and the SPI window page after it. The driver never sizes BAR0 by
 * writing it: the function is live under the system's own storage driver. */
#define QORIO_BAR0_KNOWN_SPAN 0x2000u

/* True when the function that the enabled configuration `address` names
 * carries a supported vendor and device ID. */
bool qorio_function_is_supported(const struct qorio_backend* backend, uint32_t address);

/* True when a write of `width` bytes at `offset` would touch a base address
 * or expansion ROM register: moving BAR0 would move what a map may reach. */
bool qorio_register_is_protected(uint32_t offset, uint32_t width);

/* True when the page at `physical` lies inside the known span of BAR0 of a
 * supported controller anywhere on buses 0-255. */
bool qorio_page_in_controller_bar0(const struct qorio_backend* backend, uint32_t physical);

#endif /* QORIO_PCI_H */
