/*
 * The real back end: PCI configuration mechanism 1 through the ports, each
 * address write and its data access one pair under a spin lock (no thread
 * switch on this processor can come between them), and one-page windows of
 * physical memory mapped uncached. Registers are accessed with one access of
 * the request's width where it is aligned, byte by byte otherwise.
 */
#include <ntddk.h>

#include "qorio_driver_backend.h"
#include "qorio_protocol.h"

static KSPIN_LOCK qorio_config_lock;

/* The port functions take the port number in a pointer. */
static void* qorio_port(uint32_t number) {
  return (void*)(ULONG_PTR)number; /* NOLINT(performance-no-int-to-ptr) */
}

static void* qorio_data_lane(uint32_t lane) {
  return qorio_port(QORIO_CONFIG_DATA_PORT + lane);
}

static uint32_t qorio_config_read(void* context, uint32_t address, uint32_t lane, uint32_t width) {
  KIRQL irql;
  uint32_t value;
  KeAcquireSpinLock((PKSPIN_LOCK)context, &irql);
  WRITE_PORT_ULONG((PULONG)qorio_port(QORIO_CONFIG_ADDRESS_PORT), address);
  if (width == 4) {
    value = READ_PORT_ULONG((PULONG)qorio_data_lane(lane));
  } else if (width == 2) {
    value = READ_PORT_USHORT((PUSHORT)qorio_data_lane(lane));
  } else {
    value = READ_PORT_UCHAR((PUCHAR)qorio_data_lane(lane));
  }
  KeReleaseSpinLock((PKSPIN_LOCK)context, irql);
  return value;
}

static void qorio_config_write(void* context, uint32_t address, uint32_t lane, uint32_t width,
                               uint32_t value) {
  KIRQL irql;
  KeAcquireSpinLock((PKSPIN_LOCK)context, &irql);
  WRITE_PORT_ULONG((PULONG)qorio_port(QORIO_CONFIG_ADDRESS_PORT), address);
  if (width == 4) {
    WRITE_PORT_ULONG((PULONG)qorio_data_lane(lane), value);
  } else if (width == 2) {
    WRITE_PORT_USHORT((PUSHORT)qorio_data_lane(lane), (USHORT)value);
  } else {
    WRITE_PORT_UCHAR((PUCHAR)qorio_data_lane(lane), (UCHAR)value);
  }
  KeReleaseSpinLock((PKSPIN_LOCK)context, irql);
}

static void* qorio_map(void* context, uint32_t physical) {
  PHYSICAL_ADDRESS address;
  (void)context;
  address.QuadPart = physical;
  return MmMapIoSpace(address, QORIO_WINDOW_LENGTH, MmNonCached);
}

static void qorio_unmap(void* context, void* window) {
  (void)context;
  MmUnmapIoSpace(window, QORIO_WINDOW_LENGTH);
}

static uint32_t qorio_read(void* context, void* window, uint32_t offset, uint32_t count) {
  volatile UCHAR* bytes = (volatile UCHAR*)window + offset;
  uint32_t value = 0;
  (void)context;
  if (count == 4 && offset % 4 == 0) return *(volatile ULONG*)bytes;
  for (uint32_t i = 0; i < count; ++i) value |= (uint32_t)bytes[i] << (8u * i);
  return value;
}

static void qorio_write(void* context, void* window, uint32_t offset, uint32_t count, uint32_t value) {
  volatile UCHAR* bytes = (volatile UCHAR*)window + offset;
  (void)context;
  if (count == 4 && offset % 4 == 0) {
    *(volatile ULONG*)bytes = value;
    return;
  }
  for (uint32_t i = 0; i < count; ++i) bytes[i] = (UCHAR)(value >> (8u * i));
}

void qorio_driver_backend_init(struct qorio_backend* backend) {
  KeInitializeSpinLock(&qorio_config_lock);
  backend->context = &qorio_config_lock;
  backend->map_reply_size = (uint32_t)sizeof(void*);
  backend->config_read = qorio_config_read;
  backend->config_write = qorio_config_write;
  backend->map = qorio_map;
  backend->unmap = qorio_unmap;
  backend->read = qorio_read;
  backend->write = qorio_write;
}
