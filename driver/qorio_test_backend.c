/* The test driver's back end: the fake machine, held in driver memory. */
#include "qorio_driver_backend.h"
#include "qorio_fake_machine.h"

static struct qorio_fake_machine qorio_machine;

void qorio_driver_backend_init(struct qorio_backend* backend) {
  qorio_fake_machine_init(&qorio_machine);
  *backend = qorio_fake_machine_backend(&qorio_machine, (uint32_t)sizeof(void*));
}
