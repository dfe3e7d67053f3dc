/*
 * The small fake machine the test driver answers from, where no hardware
 * exists: a host bridge at 00:00.0 and one supported controller at 01:00.0
 * with its IDs, header type, BAR0, a power-management capability and the
 * eight version bytes at 0xF0-0xF7. BAR0 decodes two pages: plain registers,
 * then the SPI window, whose grant register grants at once and whose data
 * and control registers reach a blank flash chip that answers its JEDEC ID,
 * signature, status and reads. Plain C without the system's headers, so the
 * host's tests run the program's own routines against it.
 */
#ifndef QORIO_FAKE_MACHINE_H
#define QORIO_FAKE_MACHINE_H

#include <stdbool.h>
#include <stdint.h>

#include "qorio_backend.h"

#define QORIO_FAKE_CONTROLLER_BUS 1u
#define QORIO_FAKE_CONTROLLER_DEVICE_ID 0x5844u
#define QORIO_FAKE_BAR0 0xFEB00000u
#define QORIO_FAKE_PAGES 2u
#define QORIO_FAKE_FUNCTIONS 2u
#define QORIO_FAKE_PAGE_SIZE 0x1000u

/* The version bytes at 0xF0-0xF7 and the chip's JEDEC ID (an MX25L4006E). */
#define QORIO_FAKE_VERSION_BYTES \
  { 0x23, 0x09, 0x18, 0x00, 0xA5, 0x00, 0x00, 0x00 }
#define QORIO_FAKE_JEDEC_ID \
  { 0xC2, 0x20, 0x13 }

struct qorio_fake_function {
  uint32_t address; /* configuration address of its dword 0 */
  uint8_t config[256];
  uint8_t writable[256]; /* the bits software may change */
};

/* The flash chip on the SPI bus: the command in progress while selected. */
struct qorio_fake_flash {
  bool selected;
  uint32_t position; /* bytes exchanged since select */
  uint8_t opcode;
};

struct qorio_fake_page {
  uint8_t bytes[QORIO_FAKE_PAGE_SIZE];
};

struct qorio_fake_machine {
  struct qorio_fake_function functions[QORIO_FAKE_FUNCTIONS];
  struct qorio_fake_page pages[QORIO_FAKE_PAGES]; /* BAR0 + 0 and + 0x1000 */
  struct qorio_fake_flash flash;
};

void qorio_fake_machine_init(struct qorio_fake_machine* machine);

/* A back end answering from `machine`, with map replies of `map_reply_size`. */
struct qorio_backend qorio_fake_machine_backend(struct qorio_fake_machine* machine, uint32_t map_reply_size);

#endif /* QORIO_FAKE_MACHINE_H */
