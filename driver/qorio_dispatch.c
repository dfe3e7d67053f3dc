#include "qorio_dispatch.h"

#include <stdbool.h>
#include <stddef.h>

#include "qorio_pci.h"
#include "qorio_protocol.h"

struct qorio_mem_record {
  uint32_t address;
  uint32_t length;
  uint32_t value;
};

struct qorio_port_record {
  uint32_t port;
  uint32_t width;
  uint32_t value;
};

typedef struct qorio_reply (*qorio_handler)(const struct qorio_backend* backend,
                                            struct qorio_session* session, const uint8_t* input,
                                            uint8_t* output, uint32_t output_length);

struct qorio_request {
  uint32_t code;
  uint32_t input_length;
  qorio_handler handler;
};

static uint32_t qorio_load_le32(const uint8_t* bytes) {
  return (uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 | (uint32_t)bytes[3] << 24;
}

/* Stores the low `count` bytes of `value`, lowest first. */
static void qorio_store_le(uint8_t* bytes, uint32_t value, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) bytes[i] = (uint8_t)(value >> (8u * i));
}

static struct qorio_mem_record qorio_decode_mem(const uint8_t* input) {
  struct qorio_mem_record record = {qorio_load_le32(input + QORIO_MEM_ADDRESS),
                                    qorio_load_le32(input + QORIO_MEM_LENGTH),
                                    qorio_load_le32(input + QORIO_MEM_VALUE)};
  return record;
}

static struct qorio_port_record qorio_decode_port(const uint8_t* input) {
  struct qorio_port_record record = {qorio_load_le32(input + QORIO_PORT_PORT),
                                     qorio_load_le32(input + QORIO_PORT_WIDTH),
                                     qorio_load_le32(input + QORIO_PORT_VALUE)};
  return record;
}

static struct qorio_reply qorio_done(uint32_t bytes_returned) {
  struct qorio_reply reply = {QORIO_DONE, bytes_returned};
  return reply;
}

static struct qorio_reply qorio_failed(enum qorio_outcome outcome) {
  struct qorio_reply reply = {outcome, 0};
  return reply;
}

static bool qorio_is_config_address(const struct qorio_port_record* record) {
  return record->port == QORIO_CONFIG_ADDRESS_PORT && record->width == 4;
}

/* One of 0xCFC-0xCFF, 1, 2 or 4 bytes wide, not running past 0xCFF. */
static bool qorio_is_data_lane(const struct qorio_port_record* record) {
  const uint32_t lane = record->port - QORIO_CONFIG_DATA_PORT;
  const uint32_t width = record->width;
  return record->port >= QORIO_CONFIG_DATA_PORT && lane < 4 && (width == 1 || width == 2 || width == 4) &&
         lane + width <= 4;
}

static bool qorio_addresses_function(const struct qorio_session* session) {
  return (session->config_address & QORIO_CONFIG_ENABLE) != 0;
}

static uint32_t qorio_all_ones(uint32_t width) {
  return width == 4 ? 0xFFFFFFFFu : (1u << (8u * width)) - 1u;
}

/* A data lane with no function addressed reads all ones, as an absent
 * function does, and never reaches the hardware. */
static struct qorio_reply qorio_get_port(const struct qorio_backend* backend, struct qorio_session* session,
                                         const uint8_t* input, uint8_t* output, uint32_t output_length) {
  const struct qorio_port_record record = qorio_decode_port(input);
  if (output_length != QORIO_PORT_REPLY_SIZE) return qorio_failed(QORIO_BAD_LENGTH);
  uint32_t value = 0;
  if (qorio_is_config_address(&record)) {
    value = session->config_address;
  } else if (!qorio_is_data_lane(&record)) {
    return qorio_failed(QORIO_PORT_REFUSED);
  } else if (qorio_addresses_function(session)) {
    value = backend->config_read(backend->context, session->config_address,
                                 record.port - QORIO_CONFIG_DATA_PORT, record.width);
    value &= qorio_all_ones(record.width);
  } else {
    value = qorio_all_ones(record.width);
  }
  qorio_store_le(output, value, QORIO_PORT_REPLY_SIZE);
  return qorio_done(QORIO_PORT_REPLY_SIZE);
}

static struct qorio_reply qorio_set_port(const struct qorio_backend* backend, struct qorio_session* session,
                                         const uint8_t* input, uint8_t* output, uint32_t output_length) {
  (void)output;
  const struct qorio_port_record record = qorio_decode_port(input);
  if (output_length != 0) return qorio_failed(QORIO_BAD_LENGTH);
  if (qorio_is_config_address(&record)) {
    session->config_address = record.value & QORIO_CONFIG_ADDRESS_MASK;
    return qorio_done(0);
  }
  if (!qorio_is_data_lane(&record)) return qorio_failed(QORIO_PORT_REFUSED);
  if (!qorio_function_is_supported(backend, session->config_address)) {
    return qorio_failed(QORIO_FUNCTION_REFUSED);
  }
  const uint32_t lane = record.port - QORIO_CONFIG_DATA_PORT;
  if (qorio_register_is_protected((session->config_address & 0xFCu) + lane, record.width)) {
    return qorio_failed(QORIO_REGISTER_REFUSED);
  }
  backend->config_write(backend->context, session->config_address, lane, record.width, record.value);
  return qorio_done(0);
}

static struct qorio_reply qorio_map(const struct qorio_backend* backend, struct qorio_session* session,
                                    const uint8_t* input, uint8_t* output, uint32_t output_length) {
  const struct qorio_mem_record record = qorio_decode_mem(input);
  if (output_length != backend->map_reply_size || record.length != QORIO_WINDOW_LENGTH) {
    return qorio_failed(QORIO_BAD_LENGTH);
  }
  if (record.address % QORIO_WINDOW_LENGTH != 0 || !qorio_page_in_controller_bar0(backend, record.address)) {
    return qorio_failed(QORIO_MAP_REFUSED);
  }
  struct qorio_window* slot = qorio_windows_free_slot(&session->windows);
  if (slot == NULL) return qorio_failed(QORIO_OUT_OF_WINDOWS);
  void* mapping = backend->map(backend->context, record.address);
  if (mapping == NULL) return qorio_failed(QORIO_MAP_FAILED);
  const uint32_t token = qorio_windows_add(&session->windows, slot, mapping);
  qorio_store_le(output, token, 4);
  for (uint32_t i = 4; i < output_length; ++i) output[i] = 0;
  return qorio_done(output_length);
}

static struct qorio_reply qorio_unmap(const struct qorio_backend* backend, struct qorio_session* session,
                                      const uint8_t* input, uint8_t* output, uint32_t output_length) {
  (void)output;
  const struct qorio_mem_record record = qorio_decode_mem(input);
  if (output_length != 0 || record.length != QORIO_WINDOW_LENGTH) return qorio_failed(QORIO_BAD_LENGTH);
  struct qorio_window* window = NULL;
  uint32_t offset = 0;
  /* Only the token itself names the whole window. */
  if (qorio_windows_resolve(&session->windows, record.address, QORIO_WINDOW_LENGTH, &window, &offset) !=
      QORIO_DONE) {
    return qorio_failed(QORIO_NO_SUCH_WINDOW);
  }
  qorio_windows_remove(backend, window);
  return qorio_done(0);
}

/* Where `count` bytes at `address` lie; the count must be 1 to 4. */
static enum qorio_outcome qorio_locate(struct qorio_session* session, uint32_t address, uint32_t count,
                                       struct qorio_window** window, uint32_t* offset) {
  if (count < 1 || count > QORIO_MAX_ACCESS) return QORIO_BAD_LENGTH;
  return qorio_windows_resolve(&session->windows, address, count, window, offset);
}

static struct qorio_reply qorio_read_mem(const struct qorio_backend* backend, struct qorio_session* session,
                                         const uint8_t* input, uint8_t* output, uint32_t output_length) {
  const struct qorio_mem_record record = qorio_decode_mem(input);
  if (output_length != record.length) return qorio_failed(QORIO_BAD_LENGTH);
  struct qorio_window* window = NULL;
  uint32_t offset = 0;
  const enum qorio_outcome located = qorio_locate(session, record.address, record.length, &window, &offset);
  if (located != QORIO_DONE) return qorio_failed(located);
  const uint32_t value = backend->read(backend->context, window->mapping, offset, record.length);
  qorio_store_le(output, value, record.length);
  return qorio_done(record.length);
}

static struct qorio_reply qorio_write_mem(const struct qorio_backend* backend, struct qorio_session* session,
                                          const uint8_t* input, uint8_t* output, uint32_t output_length) {
  (void)output;
  const struct qorio_mem_record record = qorio_decode_mem(input);
  if (output_length != 0) return qorio_failed(QORIO_BAD_LENGTH);
  struct qorio_window* window = NULL;
  uint32_t offset = 0;
  const enum qorio_outcome located = qorio_locate(session, record.address, record.length, &window, &offset);
  if (located != QORIO_DONE) return qorio_failed(located);
  backend->write(backend->context, window->mapping, offset, record.length, record.value);
  return qorio_done(record.length);
}

static struct qorio_reply qorio_set_debug_level(const struct qorio_backend* backend,
                                                struct qorio_session* session, const uint8_t* input,
                                                uint8_t* output, uint32_t output_length) {
  (void)backend;
  (void)output;
  if (output_length != 0) return qorio_failed(QORIO_BAD_LENGTH);
  session->debug_level = qorio_load_le32(input);
  return qorio_done(QORIO_DEBUG_LEVEL_SIZE);
}

static const struct qorio_request qorio_requests[] = {
    {QORIO_IOCTL_MAP, QORIO_MEM_RECORD_SIZE, qorio_map},
    {QORIO_IOCTL_UNMAP, QORIO_MEM_RECORD_SIZE, qorio_unmap},
    {QORIO_IOCTL_GETPORT, QORIO_PORT_RECORD_SIZE, qorio_get_port},
    {QORIO_IOCTL_SETPORT, QORIO_PORT_RECORD_SIZE, qorio_set_port},
    {QORIO_IOCTL_READMEM, QORIO_MEM_RECORD_SIZE, qorio_read_mem},
    {QORIO_IOCTL_WRITEMEM, QORIO_MEM_RECORD_SIZE, qorio_write_mem},
    {QORIO_IOCTL_SETDEBUGLEVEL, QORIO_DEBUG_LEVEL_SIZE, qorio_set_debug_level},
};

void qorio_session_open(struct qorio_session* session) {
  session->config_address = 0;
  session->debug_level = 0;
  qorio_windows_init(&session->windows);
}

void qorio_session_close(const struct qorio_backend* backend, struct qorio_session* session) {
  qorio_windows_remove_all(backend, &session->windows);
}

struct qorio_reply qorio_dispatch(const struct qorio_backend* backend, struct qorio_session* session,
                                  uint32_t code, const uint8_t* input, uint32_t input_length, uint8_t* output,
                                  uint32_t output_length) {
  for (size_t i = 0; i < sizeof qorio_requests / sizeof qorio_requests[0]; ++i) {
    const struct qorio_request* request = &qorio_requests[i];
    if (request->code != code) continue;
    if (input_length != request->input_length || input == NULL || (output_length != 0 && output == NULL)) {
      return qorio_failed(QORIO_BAD_LENGTH);
    }
    return request->handler(backend, session, input, output, output_length);
  }
  return qorio_failed(QORIO_UNKNOWN_REQUEST);
}
