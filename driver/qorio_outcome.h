/* How a request ended; every outcome but QORIO_DONE fails the request. */
#ifndef QORIO_OUTCOME_H
#define QORIO_OUTCOME_H

enum qorio_outcome {
  QORIO_DONE,
  QORIO_UNKNOWN_REQUEST,
  QORIO_BAD_LENGTH,       /* a buffer's length, or the record's length field */
  QORIO_PORT_REFUSED,     /* a port or width other than 0xCF8/4 and the data lanes */
  QORIO_FUNCTION_REFUSED, /* a configuration write to no function or an unsupported one */
  QORIO_REGISTER_REFUSED, /* a configuration write to a base address register */
  QORIO_MAP_REFUSED,      /* a page outside BAR0 of every supported controller */
  QORIO_NO_SUCH_WINDOW,   /* a token no window of this handle has */
  QORIO_PAST_WINDOW_END,  /* an access that would leave its window */
  QORIO_OUT_OF_WINDOWS,   /* every window slot of the handle in use */
  QORIO_MAP_FAILED,       /* the system could not map the page */
  QORIO_OUTCOME_COUNT
};

#endif /* QORIO_OUTCOME_H */
