/*
 * The windows one open handle has mapped, named by tokens of the driver's
 * own. A token is the window's slot and a per-handle map count, shifted so
 * that its low 12 bits are zero: the program adds register offsets to it as
 * it would to an address, but it is never an address, and a token whose
 * window was unmapped names nothing any more.
 */
#ifndef QORIO_WINDOWS_H
#define QORIO_WINDOWS_H

#include <stdint.h>

#include "qorio_backend.h"
#include "qorio_outcome.h"

#define QORIO_MAX_WINDOWS 16u

struct qorio_window {
  void* mapping; /* the back end's; NULL: slot free */
  uint32_t token;
};

struct qorio_windows {
  struct qorio_window slots[QORIO_MAX_WINDOWS];
  uint32_t maps; /* maps made so far; numbers the next token */
};

void qorio_windows_init(struct qorio_windows* windows);

/* A free slot, or NULL when every slot holds a window. */
struct qorio_window* qorio_windows_free_slot(struct qorio_windows* windows);

/* Takes `mapping` into the free `slot` and returns its new token. */
uint32_t qorio_windows_add(struct qorio_windows* windows, struct qorio_window* slot, void* mapping);

/* Finds the window holding `count` bytes at `address` (token + offset):
 * QORIO_DONE, QORIO_NO_SUCH_WINDOW or QORIO_PAST_WINDOW_END. */
enum qorio_outcome qorio_windows_resolve(struct qorio_windows* windows, uint32_t address, uint32_t count,
                                         struct qorio_window** window, uint32_t* offset);

/* Unmaps one window, or every window still open. */
void qorio_windows_remove(const struct qorio_backend* backend, struct qorio_window* window);
void qorio_windows_remove_all(const struct qorio_backend* backend, struct qorio_windows* windows);

#endif /* QORIO_WINDOWS_H */
