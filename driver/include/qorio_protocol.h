/*
 * The QorIO driver's request protocol, written once for the kernel driver (C)
 * and the program (C++): the request codes, the byte-exact little-endian
 * input records, the configuration ports, the device's name and the
 * controllers the driver serves.
 */
#ifndef QORIO_PROTOCOL_H
#define QORIO_PROTOCOL_H

/* CTL_CODE(0x8000, function, METHOD_BUFFERED, FILE_ANY_ACCESS). */
#define QORIO_DEVICE_TYPE 0x8000u
#define QORIO_CONTROL_CODE(function) ((QORIO_DEVICE_TYPE << 16) | ((function) << 2))

#define QORIO_IOCTL_MAP QORIO_CONTROL_CODE(0x800u)
#define QORIO_IOCTL_UNMAP QORIO_CONTROL_CODE(0x801u)
#define QORIO_IOCTL_GETPORT QORIO_CONTROL_CODE(0x802u)
#define QORIO_IOCTL_SETPORT QORIO_CONTROL_CODE(0x803u)
#define QORIO_IOCTL_READMEM QORIO_CONTROL_CODE(0x80Au)
#define QORIO_IOCTL_WRITEMEM QORIO_CONTROL_CODE(0x80Bu)
#define QORIO_IOCTL_SETDEBUGLEVEL QORIO_CONTROL_CODE(0x80Cu)

/* The name a program opens; the kernel names of the device and its link. */
#define QORIO_DEVICE_PATH "\\\\.\\QorIO"
#define QORIO_KERNEL_DEVICE_NAME L"\\Device\\QorIO"
#define QORIO_KERNEL_LINK_NAME L"\\DosDevices\\QorIO"

/* QORIO_MEM: address (physical for a map, a mapped token otherwise), length
 * (0x1000 for map and unmap, 1 to 4 for read and write), value (write). */
#define QORIO_MEM_RECORD_SIZE 12u
#define QORIO_MEM_ADDRESS 0u
#define QORIO_MEM_LENGTH 4u
#define QORIO_MEM_VALUE 8u

/* QORIO_PORT: 12 reserved bytes, port, width (1, 2 or 4), value (write). */
#define QORIO_PORT_RECORD_SIZE 24u
#define QORIO_PORT_PORT 12u
#define QORIO_PORT_WIDTH 16u
#define QORIO_PORT_VALUE 20u

/* The port read's reply and the debug-level request's input. */
#define QORIO_PORT_REPLY_SIZE 4u
#define QORIO_DEBUG_LEVEL_SIZE 4u

/* A mapped window and the most bytes one memory request moves. */
#define QORIO_WINDOW_LENGTH 0x1000u
#define QORIO_MAX_ACCESS 4u

/* Configuration mechanism 1: a 4-byte address at 0xCF8, data lanes
 * 0xCFC-0xCFF. Of an address written, the enable bit, bus, device, function
 * and dword-aligned offset are kept. */
#define QORIO_CONFIG_ADDRESS_PORT 0xCF8u
#define QORIO_CONFIG_DATA_PORT 0xCFCu
#define QORIO_CONFIG_ENABLE 0x80000000u
#define QORIO_CONFIG_ADDRESS_MASK 0x80FFFFFCu
#define QORIO_CONFIG_ADDRESS(bus, device, function, offset)                                 \
  (QORIO_CONFIG_ENABLE | ((unsigned)(bus)&0xFFu) << 16 | ((unsigned)(device)&0x1Fu) << 11 | \
   ((unsigned)(function)&0x07u) << 8 | ((unsigned)(offset)&0xFCu))

/* The supported controllers as X(vendor ID, device ID), in the order the
 * program's scan searches them: QOR583x, then QOR584x. */
#define QORIO_FOR_EACH_SUPPORTED_CONTROLLER(X) \
  X(0x1E9Cu, 0x5832u)                          \
  X(0x1E9Cu, 0x5834u)                          \
  X(0x1E9Cu, 0x5844u)                          \
  X(0x1E9Cu, 0x5845u)                          \
  X(0x1E9Cu, 0x5846u)

#endif /* QORIO_PROTOCOL_H */
