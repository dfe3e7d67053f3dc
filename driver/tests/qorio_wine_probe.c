/*
 * qorio_wine_probe: installs a QorIO driver file as the kernel service
 * "QORIO" through the service control manager, opens the device, sends
 * requests through DeviceIoControl (one line each: success, error, byte
 * count, output bytes), stops the service while the handle is still open
 * with a window mapped, and deletes the service. Made for the test driver,
 * whose fake machine answers the requests below:
 *
 *   WINEARCH=win32 WINEPREFIX=DIR wine qorio_wine_probe.exe QorIoTest.sys
 */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "qorio_protocol.h"

static void put32(unsigned char* bytes, DWORD value) {
  for (int i = 0; i < 4; ++i) bytes[i] = (unsigned char)(value >> (8 * i));
}

/* Prints the request's outcome; returns its first four output bytes. */
static DWORD request(HANDLE device, const char* what, DWORD code, const unsigned char* input,
                     DWORD input_length, DWORD output_length) {
  unsigned char output[16] = {0};
  DWORD returned = 0xDEAD;
  const BOOL ok =
      DeviceIoControl(device, code, (void*)input, input_length, output, output_length, &returned, NULL);
  printf("%-28s ok=%d error=%lu returned=%lu output=", what, ok ? 1 : 0, ok ? 0ul : GetLastError(), returned);
  for (DWORD i = 0; i < output_length; ++i) printf("%02X", output[i]);
  printf("\n");
  return (DWORD)output[0] | (DWORD)output[1] << 8 | (DWORD)output[2] << 16 | (DWORD)output[3] << 24;
}

/* Both records end in three little-endian dwords: address or port, length or
 * width, value. */
static DWORD send_record(HANDLE device, const char* what, DWORD code, DWORD size, DWORD first_field, DWORD a,
                         DWORD b, DWORD c, DWORD output_length) {
  unsigned char record[QORIO_PORT_RECORD_SIZE] = {0};
  put32(record + first_field, a);
  put32(record + first_field + 4, b);
  put32(record + first_field + 8, c);
  return request(device, what, code, record, size, output_length);
}

static void port(HANDLE device, const char* what, DWORD code, DWORD number, DWORD width, DWORD value,
                 DWORD output_length) {
  send_record(device, what, code, QORIO_PORT_RECORD_SIZE, QORIO_PORT_PORT, number, width, value,
              output_length);
}

static DWORD mem(HANDLE device, const char* what, DWORD code, DWORD address, DWORD length, DWORD value,
                 DWORD output_length) {
  return send_record(device, what, code, QORIO_MEM_RECORD_SIZE, QORIO_MEM_ADDRESS, address, length, value,
                     output_length);
}

static void remove_service(SC_HANDLE manager) {
  SC_HANDLE service = OpenServiceA(manager, "QORIO", SERVICE_ALL_ACCESS);
  if (service == NULL) return;
  SERVICE_STATUS status;
  ControlService(service, SERVICE_CONTROL_STOP, &status);
  DeleteService(service);
  CloseServiceHandle(service);
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: qorio_wine_probe DRIVER.sys\n");
    return 1;
  }
  char path[MAX_PATH];
  if (GetFullPathNameA(argv[1], sizeof path, path, NULL) == 0) return 1;
  SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
  if (manager == NULL) {
    printf("OpenSCManagerA failed: %lu\n", GetLastError());
    return 1;
  }
  remove_service(manager);
  SC_HANDLE service =
      CreateServiceA(manager, "QORIO", "QORIO", SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                     SERVICE_SYSTEM_START, SERVICE_ERROR_NORMAL, path, NULL, NULL, NULL, NULL, NULL);
  printf("CreateServiceA %s: %s (%lu)\n", path, service ? "ok" : "failed", service ? 0ul : GetLastError());
  if (service == NULL) return 1;
  const BOOL started = StartServiceA(service, 0, NULL);
  printf("StartServiceA: %s (%lu)\n", started ? "ok" : "failed", started ? 0ul : GetLastError());
  HANDLE device = CreateFileA(QORIO_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
  printf("CreateFileA: %s (%lu)\n", device != INVALID_HANDLE_VALUE ? "ok" : "failed",
         device != INVALID_HANDLE_VALUE ? 0ul : GetLastError());
  DWORD open_window = 0;
  if (device != INVALID_HANDLE_VALUE) {
    HANDLE second = CreateFileA(QORIO_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    printf("second CreateFileA: %s (%lu)\n", second != INVALID_HANDLE_VALUE ? "opened" : "refused",
           GetLastError());
    if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
    unsigned char level[4] = {0};
    request(device, "debug level", QORIO_IOCTL_SETDEBUGLEVEL, level, 4, 0);
    port(device, "config address 01:00.0/00", QORIO_IOCTL_SETPORT, 0xCF8, 4, QORIO_CONFIG_ADDRESS(1, 0, 0, 0),
         0);
    port(device, "read 0xCFC width 4", QORIO_IOCTL_GETPORT, 0xCFC, 4, 0, 4);
    port(device, "read 0xCFE width 1", QORIO_IOCTL_GETPORT, 0xCFE, 1, 0, 4);
    port(device, "read port 0x80", QORIO_IOCTL_GETPORT, 0x80, 1, 0, 4);
    port(device, "config address 01:00.0/F0", QORIO_IOCTL_SETPORT, 0xCF8, 4,
         QORIO_CONFIG_ADDRESS(1, 0, 0, 0xF0), 0);
    port(device, "read version F0-F3", QORIO_IOCTL_GETPORT, 0xCFC, 4, 0, 4);
    port(device, "config address 01:00.0/10", QORIO_IOCTL_SETPORT, 0xCF8, 4,
         QORIO_CONFIG_ADDRESS(1, 0, 0, 0x10), 0);
    port(device, "write BAR0 refused", QORIO_IOCTL_SETPORT, 0xCFC, 4, 0x1000, 0);
    port(device, "config address 00:00.0/04", QORIO_IOCTL_SETPORT, 0xCF8, 4, QORIO_CONFIG_ADDRESS(0, 0, 0, 4),
         0);
    port(device, "write host bridge refused", QORIO_IOCTL_SETPORT, 0xCFC, 1, 0, 0);
    mem(device, "map outside BAR0", QORIO_IOCTL_MAP, 0x1000, 0x1000, 0, 4);
    const DWORD window = mem(device, "map SPI window", QORIO_IOCTL_MAP, 0xFEB01000, 0x1000, 0, 4);
    mem(device, "map bad output size", QORIO_IOCTL_MAP, 0xFEB01000, 0x1000, 0, 8);
    mem(device, "read across window end", QORIO_IOCTL_READMEM, window + 0xFFF, 4, 0, 4);
    mem(device, "write grant request", QORIO_IOCTL_WRITEMEM, window + 0xB06, 1, 1, 0);
    mem(device, "read grant", QORIO_IOCTL_READMEM, window + 0xB06, 1, 0, 1);
    mem(device, "unmap", QORIO_IOCTL_UNMAP, window, 0x1000, 0, 0);
    mem(device, "read after unmap", QORIO_IOCTL_READMEM, window + 0xB06, 1, 0, 1);
    request(device, "unknown code", QORIO_CONTROL_CODE(0x900u), level, 4, 0);
    const unsigned char traced[4] = {1, 0, 0, 0};
    request(device, "debug level 1", QORIO_IOCTL_SETDEBUGLEVEL, traced, 4, 0);
    request(device, "unknown code, traced", QORIO_CONTROL_CODE(0x900u), level, 4, 0);
    open_window = mem(device, "map SPI window again", QORIO_IOCTL_MAP, 0xFEB01000, 0x1000, 0, 4);
  }
  SERVICE_STATUS status;
  const BOOL stopped = ControlService(service, SERVICE_CONTROL_STOP, &status);
  printf("ControlService stop, handle open: %s (%lu)\n", stopped ? "ok" : "failed",
         stopped ? 0ul : GetLastError());
  if (device != INVALID_HANDLE_VALUE) {
    mem(device, "read after stop", QORIO_IOCTL_READMEM, open_window + 0xB06, 1, 0, 1);
    CloseHandle(device);
  }
  const BOOL deleted = DeleteService(service);
  printf("DeleteService: %s (%lu)\n", deleted ? "ok" : "failed", deleted ? 0ul : GetLastError());
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return 0;
}
