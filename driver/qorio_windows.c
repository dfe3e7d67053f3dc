#include "qorio_windows.h"

#include <stddef.h>

#include "qorio_protocol.h"

#define QORIO_SLOT_SHIFT 12u
#define QORIO_SLOT_MASK 0xFu
#define QORIO_COUNT_SHIFT 16u
#define QORIO_COUNT_LIMIT 0xFFFFu

_Static_assert(QORIO_MAX_WINDOWS == QORIO_SLOT_MASK + 1, "a token holds every slot number");

void qorio_windows_init(struct qorio_windows* windows) {
  for (uint32_t i = 0; i < QORIO_MAX_WINDOWS; ++i) {
    windows->slots[i].mapping = NULL;
    windows->slots[i].token = 0;
  }
  windows->maps = 0;
}

struct qorio_window* qorio_windows_free_slot(struct qorio_windows* windows) {
  for (uint32_t i = 0; i < QORIO_MAX_WINDOWS; ++i) {
    if (windows->slots[i].mapping == NULL) return &windows->slots[i];
  }
  return NULL;
}

/* The count runs 1..0xFFFF and starts again, so a token is never 0 and a
 * stale one names nothing until 65535 more maps were made on the handle. */
uint32_t qorio_windows_add(struct qorio_windows* windows, struct qorio_window* slot, void* mapping) {
  windows->maps = windows->maps % QORIO_COUNT_LIMIT + 1;
  const uint32_t index = (uint32_t)(slot - windows->slots);
  slot->mapping = mapping;
  slot->token = windows->maps << QORIO_COUNT_SHIFT | index << QORIO_SLOT_SHIFT;
  return slot->token;
}

enum qorio_outcome qorio_windows_resolve(struct qorio_windows* windows, uint32_t address, uint32_t count,
                                         struct qorio_window** window, uint32_t* offset) {
  struct qorio_window* slot = &windows->slots[address >> QORIO_SLOT_SHIFT & QORIO_SLOT_MASK];
  const uint32_t within = address & (QORIO_WINDOW_LENGTH - 1);
  if (slot->mapping == NULL || address - within != slot->token) return QORIO_NO_SUCH_WINDOW;
  if (count > QORIO_WINDOW_LENGTH - within) return QORIO_PAST_WINDOW_END;
  *window = slot;
  *offset = within;
  return QORIO_DONE;
}

void qorio_windows_remove(const struct qorio_backend* backend, struct qorio_window* window) {
  backend->unmap(backend->context, window->mapping);
  window->mapping = NULL;
  window->token = 0;
}

void qorio_windows_remove_all(const struct qorio_backend* backend, struct qorio_windows* windows) {
  for (uint32_t i = 0; i < QORIO_MAX_WINDOWS; ++i) {
    if (windows->slots[i].mapping != NULL) qorio_windows_remove(backend, &windows->slots[i]);
  }
}
