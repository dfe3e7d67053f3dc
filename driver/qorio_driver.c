/*
 * The QorIO kernel driver: creates the device \Device\QorIO (exclusive,
 * reachable by the system and administrators only) with its link \\.\QorIO,
 * gives every open handle a session of its own, and hands each device I/O
 * control request to the dispatcher. Windows still open are unmapped when
 * their handle is cleaned up or closed, and at unload.
 */
#include <ntifs.h>

#include "qorio_dispatch.h"
#include "qorio_driver_backend.h"
#include "qorio_protocol.h"

/* The device is exclusive, so Windows lets one file object exist at a time;
 * a few more slots cover a system that does not enforce that. */
#define QORIO_MAX_HANDLES 4u

struct qorio_handle {
  BOOLEAN open;
  struct qorio_session session;
};

/* The driver's state, in the device's extension: no pool is ever allocated.
 * The mutex serialises every request, open and close. */
struct qorio_device {
  struct qorio_backend backend;
  KMUTEX lock;
  struct qorio_handle handles[QORIO_MAX_HANDLES];
};

/* Maps a refusal to the status the caller's DeviceIoControl sees. */
static const NTSTATUS qorio_outcome_status[QORIO_OUTCOME_COUNT] = {
    [QORIO_DONE] = STATUS_SUCCESS,
    [QORIO_UNKNOWN_REQUEST] = STATUS_INVALID_DEVICE_REQUEST,
    [QORIO_BAD_LENGTH] = STATUS_INVALID_PARAMETER,
    [QORIO_PORT_REFUSED] = STATUS_ACCESS_DENIED,
    [QORIO_FUNCTION_REFUSED] = STATUS_ACCESS_DENIED,
    [QORIO_REGISTER_REFUSED] = STATUS_ACCESS_DENIED,
    [QORIO_MAP_REFUSED] = STATUS_ACCESS_DENIED,
    [QORIO_NO_SUCH_WINDOW] = STATUS_INVALID_PARAMETER,
    [QORIO_PAST_WINDOW_END] = STATUS_ACCESS_DENIED,
    [QORIO_OUT_OF_WINDOWS] = STATUS_INSUFFICIENT_RESOURCES,
    [QORIO_MAP_FAILED] = STATUS_INSUFFICIENT_RESOURCES,
};

static const char* const qorio_outcome_text[QORIO_OUTCOME_COUNT] = {
    [QORIO_DONE] = "done",
    [QORIO_UNKNOWN_REQUEST] = "unknown request",
    [QORIO_BAD_LENGTH] = "bad length",
    [QORIO_PORT_REFUSED] = "port refused",
    [QORIO_FUNCTION_REFUSED] = "function refused",
    [QORIO_REGISTER_REFUSED] = "register refused",
    [QORIO_MAP_REFUSED] = "map refused",
    [QORIO_NO_SUCH_WINDOW] = "no such window",
    [QORIO_PAST_WINDOW_END] = "past window end",
    [QORIO_OUT_OF_WINDOWS] = "out of windows",
    [QORIO_MAP_FAILED] = "map failed",
};

/* LocalSystem (S-1-5-18) and Administrators (S-1-5-32-544). */
static const struct {
  UCHAR revision;
  UCHAR sub_authority_count;
  UCHAR authority[6];
  ULONG sub_authority[1];
} qorio_system_sid = {SID_REVISION, 1, {0, 0, 0, 0, 0, 5}, {18}};

static const struct {
  UCHAR revision;
  UCHAR sub_authority_count;
  UCHAR authority[6];
  ULONG sub_authority[2];
} qorio_administrators_sid = {SID_REVISION, 2, {0, 0, 0, 0, 0, 5}, {32, 544}};

#define QORIO_ACE_SIZE(sid) (sizeof(ACCESS_ALLOWED_ACE) - sizeof(ULONG) + sizeof(sid))

/* The device's DACL: full access for the system and administrators, nobody
 * else. mingw-w64 has no wdmsec library, so IoCreateDeviceSecure is not at
 * hand; the device is made with IoCreateDevice and this DACL is set on it
 * before its link exists, which is what IoCreateDeviceSecure would do with
 * "D:P(A;;GA;;;SY)(A;;GA;;;BA)". */
static NTSTATUS qorio_restrict_access(PDEVICE_OBJECT device) {
  union {
    ACL acl;
    UCHAR bytes[sizeof(ACL) + QORIO_ACE_SIZE(qorio_system_sid) + QORIO_ACE_SIZE(qorio_administrators_sid)];
  } dacl;
  SECURITY_DESCRIPTOR descriptor;
  HANDLE handle;
  NTSTATUS status = RtlCreateAcl(&dacl.acl, sizeof dacl, ACL_REVISION);
  if (NT_SUCCESS(status)) {
    status = RtlAddAccessAllowedAce(&dacl.acl, ACL_REVISION, FILE_ALL_ACCESS, (PSID)&qorio_system_sid);
  }
  if (NT_SUCCESS(status)) {
    status =
        RtlAddAccessAllowedAce(&dacl.acl, ACL_REVISION, FILE_ALL_ACCESS, (PSID)&qorio_administrators_sid);
  }
  if (NT_SUCCESS(status)) status = RtlCreateSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  if (NT_SUCCESS(status)) status = RtlSetDaclSecurityDescriptor(&descriptor, TRUE, &dacl.acl, FALSE);
  if (!NT_SUCCESS(status)) return status;
  descriptor.Control |= SE_DACL_PROTECTED;
  status = ObOpenObjectByPointer(device, OBJ_KERNEL_HANDLE, NULL, WRITE_DAC, NULL, KernelMode, &handle);
  if (!NT_SUCCESS(status)) return status;
  status = ZwSetSecurityObject(handle, DACL_SECURITY_INFORMATION, &descriptor);
  ZwClose(handle);
  return status;
}

static struct qorio_device* qorio_state(PDEVICE_OBJECT device) {
  return (struct qorio_device*)device->DeviceExtension;
}

static void qorio_lock(struct qorio_device* state) {
  KeWaitForSingleObject(&state->lock, Executive, KernelMode, FALSE, NULL);
}

static void qorio_unlock(struct qorio_device* state) {
  KeReleaseMutex(&state->lock, FALSE);
}

static NTSTATUS qorio_complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

static struct qorio_handle* qorio_free_handle(struct qorio_device* state) {
  for (ULONG i = 0; i < QORIO_MAX_HANDLES; ++i) {
    if (!state->handles[i].open) return &state->handles[i];
  }
  return NULL;
}

static void qorio_close_handle(struct qorio_device* state, struct qorio_handle* handle) {
  qorio_session_close(&state->backend, &handle->session);
  handle->open = FALSE;
}

/* Only the device itself opens: a name after it (\\.\QorIO\x) is refused. */
static NTSTATUS NTAPI qorio_create(PDEVICE_OBJECT device, PIRP irp) {
  struct qorio_device* state = qorio_state(device);
  PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
  NTSTATUS status = STATUS_OBJECT_NAME_NOT_FOUND;
  if (file->FileName.Length == 0) {
    qorio_lock(state);
    struct qorio_handle* handle = qorio_free_handle(state);
    status = handle != NULL ? STATUS_SUCCESS : STATUS_TOO_MANY_OPENED_FILES;
    if (handle != NULL) {
      qorio_session_open(&handle->session);
      handle->open = TRUE;
      file->FsContext = handle;
    }
    qorio_unlock(state);
  }
  return qorio_complete(irp, status, 0);
}

/* The last handle on the file object went: its windows are unmapped. */
static NTSTATUS NTAPI qorio_cleanup(PDEVICE_OBJECT device, PIRP irp) {
  struct qorio_device* state = qorio_state(device);
  struct qorio_handle* handle = IoGetCurrentIrpStackLocation(irp)->FileObject->FsContext;
  qorio_lock(state);
  if (handle != NULL && handle->open) qorio_session_close(&state->backend, &handle->session);
  qorio_unlock(state);
  return qorio_complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI qorio_close(PDEVICE_OBJECT device, PIRP irp) {
  struct qorio_device* state = qorio_state(device);
  PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
  struct qorio_handle* handle = file->FsContext;
  qorio_lock(state);
  if (handle != NULL && handle->open) qorio_close_handle(state, handle);
  file->FsContext = NULL;
  qorio_unlock(state);
  return qorio_complete(irp, STATUS_SUCCESS, 0);
}

/* METHOD_BUFFERED: the input and the output share the system buffer. A
 * write reports the bytes it wrote as the protocol asks, more than its empty
 * output buffer; with no output buffer the I/O manager copies nothing back. */
static NTSTATUS NTAPI qorio_device_control(PDEVICE_OBJECT device, PIRP irp) {
  struct qorio_device* state = qorio_state(device);
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  struct qorio_handle* handle = stack->FileObject->FsContext;
  const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
  UCHAR* buffer = irp->AssociatedIrp.SystemBuffer;
  qorio_lock(state);
  if (handle == NULL || !handle->open) {
    qorio_unlock(state);
    return qorio_complete(irp, STATUS_INVALID_HANDLE, 0);
  }
  const struct qorio_reply reply = qorio_dispatch(&state->backend, &handle->session, code, buffer,
                                                  stack->Parameters.DeviceIoControl.InputBufferLength, buffer,
                                                  stack->Parameters.DeviceIoControl.OutputBufferLength);
  const ULONG debug_level = handle->session.debug_level;
  qorio_unlock(state);
  if (reply.outcome != QORIO_DONE && debug_level != 0) {
    DbgPrint("QorIO: request %08lX failed: %s\n", code, qorio_outcome_text[reply.outcome]);
  }
  return qorio_complete(irp, qorio_outcome_status[reply.outcome], reply.bytes_returned);
}

static VOID NTAPI qorio_unload(PDRIVER_OBJECT driver) {
  UNICODE_STRING link;
  PDEVICE_OBJECT device = driver->DeviceObject;
  if (device == NULL) return;
  struct qorio_device* state = qorio_state(device);
  qorio_lock(state);
  for (ULONG i = 0; i < QORIO_MAX_HANDLES; ++i) {
    if (state->handles[i].open) qorio_close_handle(state, &state->handles[i]);
  }
  qorio_unlock(state);
  RtlInitUnicodeString(&link, QORIO_KERNEL_LINK_NAME);
  IoDeleteSymbolicLink(&link);
  IoDeleteDevice(device);
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path) {
  UNICODE_STRING name;
  UNICODE_STRING link;
  PDEVICE_OBJECT device;
  (void)registry_path;
  RtlInitUnicodeString(&name, QORIO_KERNEL_DEVICE_NAME);
  RtlInitUnicodeString(&link, QORIO_KERNEL_LINK_NAME);
  NTSTATUS status = IoCreateDevice(driver, sizeof(struct qorio_device), &name, QORIO_DEVICE_TYPE,
                                   FILE_DEVICE_SECURE_OPEN, TRUE, &device);
  if (!NT_SUCCESS(status)) return status;
  struct qorio_device* state = qorio_state(device);
  RtlZeroMemory(state, sizeof *state);
  qorio_driver_backend_init(&state->backend);
  KeInitializeMutex(&state->lock, 0);
  status = qorio_restrict_access(device);
  if (NT_SUCCESS(status)) status = IoCreateSymbolicLink(&link, &name);
  if (!NT_SUCCESS(status)) {
    IoDeleteDevice(device);
    return status;
  }
  driver->MajorFunction[IRP_MJ_CREATE] = qorio_create;
  driver->MajorFunction[IRP_MJ_CLEANUP] = qorio_cleanup;
  driver->MajorFunction[IRP_MJ_CLOSE] = qorio_close;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = qorio_device_control;
  driver->DriverUnload = qorio_unload;
  device->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}
