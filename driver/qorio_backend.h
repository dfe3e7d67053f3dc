/*
 * What a back end offers the request dispatcher: PCI configuration
 * mechanism 1, each access one locked pair (address to 0xCF8, data at one
 * lane of 0xCFC-0xCFF) that nothing else of the driver can split, and
 * one-page windows of physical memory. The dispatcher decides what is
 * allowed; a back end only does what it is told.
 */
#ifndef QORIO_BACKEND_H
#define QORIO_BACKEND_H

#include <stdint.h>

struct qorio_backend {
  void* context;
  /* The size of the map reply: the width of a kernel pointer, 4 or 8. */
  uint32_t map_reply_size;
  /* Reads or writes `width` bytes (1, 2 or 4) at data lane `lane` of the
   * function and dword `address` names; the value's low bytes are used. */
  uint32_t (*config_read)(void* context, uint32_t address, uint32_t lane, uint32_t width);
  void (*config_write)(void* context, uint32_t address, uint32_t lane, uint32_t width, uint32_t value);
  /* Maps the page at `physical`; NULL when it cannot. */
  void* (*map)(void* context, uint32_t physical);
  void (*unmap)(void* context, void* window);
  /* Reads or writes `count` bytes (1 to 4) at `offset` of a mapped window,
   * the first byte in the value's lowest byte. */
  uint32_t (*read)(void* context, void* window, uint32_t offset, uint32_t count);
  void (*write)(void* context, void* window, uint32_t offset, uint32_t count, uint32_t value);
};

#endif /* QORIO_BACKEND_H */
