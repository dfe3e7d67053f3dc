/*
 * The back end a driver build links: the real machine (qorio_port_backend.c)
 * or the fake one (qorio_test_backend.c). Called once at driver entry.
 */
#ifndef QORIO_DRIVER_BACKEND_H
#define QORIO_DRIVER_BACKEND_H

#include "qorio_backend.h"

void qorio_driver_backend_init(struct qorio_backend* backend);

#endif /* QORIO_DRIVER_BACKEND_H */
