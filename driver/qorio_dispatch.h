/*
 * The QorIO request dispatcher: answers one request of one open handle by
 * the protocol's rules, through whichever back end the driver was built
 * with. It is plain C without the system's headers, so the same code runs in
 * the kernel driver and in the host's unit tests.
 *
 * A request's input and output may be one buffer (METHOD_BUFFERED): the
 * input is read completely before any output byte is written. Lengths must
 * be exact; nothing outside `input_length` and `output_length` is touched.
 */
#ifndef QORIO_DISPATCH_H
#define QORIO_DISPATCH_H

#include <stdint.h>

#include "qorio_backend.h"
#include "qorio_outcome.h"
#include "qorio_windows.h"

/* What one open handle keeps between its requests. The configuration
 * address written to 0xCF8 is kept here and sent to the hardware only
 * together with a data-lane access, as one locked pair, so another handle or
 * thread can never slip its own address in between. */
struct qorio_session {
  uint32_t config_address;
  uint32_t debug_level;
  struct qorio_windows windows;
};

struct qorio_reply {
  enum qorio_outcome outcome;
  uint32_t bytes_returned; /* 0 unless the request succeeded */
};

void qorio_session_open(struct qorio_session* session);

/* Unmaps every window the handle still holds; the session may be opened
 * again or dropped afterwards. */
void qorio_session_close(const struct qorio_backend* backend, struct qorio_session* session);

struct qorio_reply qorio_dispatch(const struct qorio_backend* backend, struct qorio_session* session,
                                  uint32_t code, const uint8_t* input, uint32_t input_length, uint8_t* output,
                                  uint32_t output_length);

#endif /* QORIO_DISPATCH_H */
