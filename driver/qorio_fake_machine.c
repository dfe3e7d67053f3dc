#include "qorio_fake_machine.h"

#include <stddef.h>

#include "qorio_protocol.h"

/* SPI window registers (page 1 of BAR0) and their bits. */
#define SPI_DATA 0xB00u
#define SPI_CONTROL 0xB04u
#define SPI_GRANT 0xB06u
#define SPI_CONTROL_COUNT 0x07u
#define SPI_CONTROL_WRITE 0x08u
#define SPI_CONTROL_RELEASE 0x10u
#define SPI_CONTROL_START 0x20u
#define SPI_GRANT_REQUEST 0x01u
#define SPI_GRANT_GRANTED 0x02u
#define SPI_WINDOW_PAGE 1u

/* Flash opcodes the chip answers; everything else reads 0xFF. */
#define FLASH_READ_JEDEC_ID 0x9Fu
#define FLASH_READ_SIGNATURE 0xABu
#define FLASH_READ_STATUS 0x05u
#define FLASH_SIGNATURE 0x12u
#define FLASH_SIGNATURE_DUMMY_BYTES 3u
#define FLOATING 0xFFu

/* Configuration header registers. */
#define CONFIG_COMMAND 0x04u
#define CONFIG_STATUS 0x06u
#define CONFIG_CLASS 0x09u
#define CONFIG_BAR0 0x10u
#define CONFIG_CAPABILITIES 0x34u
#define CONFIG_VERSION 0xF0u
#define PM_CAPABILITY 0x40u

static void put16(uint8_t* bytes, uint32_t value) {
  bytes[0] = (uint8_t)value;
  bytes[1] = (uint8_t)(value >> 8);
}

static void put32(uint8_t* bytes, uint32_t value) {
  put16(bytes, value);
  put16(bytes + 2, value >> 16);
}

static void init_function(struct qorio_fake_function* function, uint32_t bus, uint32_t vendor,
                          uint32_t device, uint32_t class_code) {
  for (size_t i = 0; i < sizeof function->config; ++i) {
    function->config[i] = 0;
    function->writable[i] = 0;
  }
  function->address = QORIO_CONFIG_ADDRESS(bus, 0, 0, 0);
  put16(&function->config[0], vendor);
  put16(&function->config[2], device);
  function->config[CONFIG_CLASS] = (uint8_t)class_code;
  put16(&function->config[CONFIG_CLASS + 1], class_code >> 8);
}

static void init_controller(struct qorio_fake_function* function) {
  static const uint8_t version[] = QORIO_FAKE_VERSION_BYTES;
  init_function(function, QORIO_FAKE_CONTROLLER_BUS, 0x1E9Cu, QORIO_FAKE_CONTROLLER_DEVICE_ID, 0x010601u);
  function->config[CONFIG_COMMAND] = 0x06; /* memory space, bus master */
  function->writable[CONFIG_COMMAND] = 0x07;
  function->config[CONFIG_STATUS] = 0x10; /* capability list */
  put32(&function->config[CONFIG_BAR0], QORIO_FAKE_BAR0);
  function->config[CONFIG_CAPABILITIES] = PM_CAPABILITY;
  function->config[PM_CAPABILITY] = 0x01; /* power management, last in the list */
  put16(&function->config[PM_CAPABILITY + 2], 0x0003);
  function->writable[PM_CAPABILITY + 4] = 0x03; /* the power state, D0 */
  for (size_t i = 0; i < sizeof version; ++i) function->config[CONFIG_VERSION + i] = version[i];
}

void qorio_fake_machine_init(struct qorio_fake_machine* machine) {
  init_function(&machine->functions[0], 0, 0x8086u, 0x1237u, 0x060000u);
  init_controller(&machine->functions[1]);
  for (size_t page = 0; page < QORIO_FAKE_PAGES; ++page) {
    for (size_t i = 0; i < QORIO_FAKE_PAGE_SIZE; ++i) machine->pages[page].bytes[i] = 0;
  }
  machine->pages[SPI_WINDOW_PAGE].bytes[SPI_CONTROL] = SPI_CONTROL_RELEASE;
  machine->flash.selected = false;
  machine->flash.position = 0;
  machine->flash.opcode = 0;
}

static struct qorio_fake_function* find_function(struct qorio_fake_machine* machine, uint32_t address) {
  for (size_t i = 0; i < QORIO_FAKE_FUNCTIONS; ++i) {
    if (machine->functions[i].address == (address & ~0xFFu)) return &machine->functions[i];
  }
  return NULL;
}

static uint32_t config_read(void* context, uint32_t address, uint32_t lane, uint32_t width) {
  const struct qorio_fake_function* function = find_function(context, address);
  uint32_t value = 0;
  for (uint32_t i = 0; i < width; ++i) {
    const uint32_t byte = function != NULL ? function->config[(address & 0xFCu) + lane + i] : FLOATING;
    value |= byte << (8u * i);
  }
  return value;
}

static void config_write(void* context, uint32_t address, uint32_t lane, uint32_t width, uint32_t value) {
  struct qorio_fake_function* function = find_function(context, address);
  if (function == NULL) return;
  for (uint32_t i = 0; i < width; ++i) {
    const uint32_t offset = (address & 0xFCu) + lane + i;
    const uint8_t mask = function->writable[offset];
    function->config[offset] = (uint8_t)((function->config[offset] & ~mask) | ((value >> (8u * i)) & mask));
  }
}

static uint8_t flash_answer(const struct qorio_fake_flash* flash) {
  static const uint8_t jedec[] = QORIO_FAKE_JEDEC_ID;
  switch (flash->opcode) {
    case FLASH_READ_JEDEC_ID:
      return jedec[(flash->position - 1) % sizeof jedec];
    case FLASH_READ_SIGNATURE:
      return flash->position > FLASH_SIGNATURE_DUMMY_BYTES ? FLASH_SIGNATURE : FLOATING;
    case FLASH_READ_STATUS:
      return 0x00; /* idle, unprotected */
    default:
      return FLOATING; /* reads of the blank chip, and everything else */
  }
}

static uint8_t flash_exchange(struct qorio_fake_flash* flash, uint8_t mosi) {
  if (!flash->selected) return FLOATING;
  uint8_t miso = FLOATING;
  if (flash->position == 0) {
    flash->opcode = mosi;
  } else {
    miso = flash_answer(flash);
  }
  ++flash->position;
  return miso;
}

static void write_control(struct qorio_fake_machine* machine, uint8_t value) {
  uint8_t* window = machine->pages[SPI_WINDOW_PAGE].bytes;
  const bool select = (value & SPI_CONTROL_RELEASE) == 0;
  if (select != machine->flash.selected) {
    machine->flash.selected = select;
    machine->flash.position = 0;
  }
  window[SPI_CONTROL] = (uint8_t)(value & ~SPI_CONTROL_START); /* the transfer ends at once */
  if ((value & SPI_CONTROL_START) == 0) return;
  const uint32_t count = value & SPI_CONTROL_COUNT;
  for (uint32_t i = 0; i < count && i < 4; ++i) {
    const bool write = (value & SPI_CONTROL_WRITE) != 0;
    const uint8_t miso = flash_exchange(&machine->flash, write ? window[SPI_DATA + i] : 0x00);
    if (!write) window[SPI_DATA + i] = miso;
  }
}

static void write_byte(struct qorio_fake_machine* machine, struct qorio_fake_page* page, uint32_t offset,
                       uint8_t value) {
  const bool spi_window = page == &machine->pages[SPI_WINDOW_PAGE];
  if (spi_window && offset == SPI_CONTROL) {
    write_control(machine, value);
  } else if (spi_window && offset == SPI_GRANT) {
    page->bytes[offset] = (value & SPI_GRANT_REQUEST) != 0 ? SPI_GRANT_REQUEST | SPI_GRANT_GRANTED : 0;
  } else {
    page->bytes[offset] = value;
  }
}

static void* map_page(void* context, uint32_t physical) {
  struct qorio_fake_machine* machine = context;
  const uint32_t page = (physical - QORIO_FAKE_BAR0) / QORIO_FAKE_PAGE_SIZE;
  if (physical < QORIO_FAKE_BAR0 || physical % QORIO_FAKE_PAGE_SIZE != 0 || page >= QORIO_FAKE_PAGES) {
    return NULL;
  }
  return &machine->pages[page];
}

static void unmap_page(void* context, void* window) {
  (void)context;
  (void)window;
}

static uint32_t window_read(void* context, void* window, uint32_t offset, uint32_t count) {
  (void)context;
  const struct qorio_fake_page* page = window;
  uint32_t value = 0;
  for (uint32_t i = 0; i < count; ++i) value |= (uint32_t)page->bytes[offset + i] << (8u * i);
  return value;
}

static void window_write(void* context, void* window, uint32_t offset, uint32_t count, uint32_t value) {
  for (uint32_t i = 0; i < count; ++i) write_byte(context, window, offset + i, (uint8_t)(value >> (8u * i)));
}

struct qorio_backend qorio_fake_machine_backend(struct qorio_fake_machine* machine, uint32_t map_reply_size) {
  struct qorio_backend backend = {machine,  map_reply_size, config_read, config_write,
                                  map_page, unmap_page,     window_read, window_write};
  return backend;
}
