// The request dispatcher against a recording back end: every code, every
// length rule, every refusal, the byte counts, the tokens and the
// configuration-address semantics. Inputs and outputs are heap buffers of
// exactly the stated length, so a read or write past them fails under ASan.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/qorio_requests.h"
#include "platform/supported_controller_ids.h"
#include "qorio_recording_backend.h"

extern "C" {
#include "qorio_dispatch.h"
}

namespace tamsel {
namespace {

using qorio_test::BackendCall;
using qorio_test::RecordingBackend;

constexpr uint32_t kControllerBar0 = 0xFEB00000u;
constexpr uint32_t kWindowPhysical = kControllerBar0 + 0x1000;
constexpr uint32_t kControllerAddress = QORIO_CONFIG_ADDRESS(1, 0, 0, 0);
constexpr uint32_t kHostBridgeAddress = QORIO_CONFIG_ADDRESS(0, 0, 0, 0);
constexpr uint8_t kFill = 0xA5;  // output bytes a failed request must leave alone

std::vector<uint8_t> Mem(uint32_t address, uint32_t length, uint32_t value = 0) {
  const auto bytes = qorio::Encode(qorio::MemRecord{address, length, value});
  return {bytes.begin(), bytes.end()};
}

std::vector<uint8_t> Port(uint32_t port, uint32_t width, uint32_t value = 0) {
  const auto bytes = qorio::Encode(qorio::PortRecord{port, width, value});
  return {bytes.begin(), bytes.end()};
}

std::vector<uint8_t> Level(uint32_t level) {
  std::vector<uint8_t> bytes(4);
  qorio::StoreLe32(bytes.data(), level);
  return bytes;
}

struct Answer {
  qorio_outcome outcome = QORIO_DONE;
  uint32_t bytes = 0;
  std::vector<uint8_t> output;

  uint32_t Token() const { return qorio::LoadLe32(output.data()); }
  uint32_t Value() const {
    uint32_t value = 0;
    for (std::size_t i = 0; i < output.size() && i < 4; ++i) value |= uint32_t{output[i]} << (8 * i);
    return value;
  }
};

// A host bridge, a supported controller at 01:00.0 and an unsupported
// function with a memory BAR at 02:00.0; one open handle on them.
class Driver {
 public:
  explicit Driver(uint32_t mapReplySize = 4) : backend_(world.Backend(mapReplySize)) {
    world.Add({.bus = 0, .vendorId = 0x8086, .deviceId = 0x1237});
    world.Add({.bus = 1, .vendorId = 0x1E9C, .deviceId = 0x5844, .bar0 = kControllerBar0});
    world.Add({.bus = 2, .vendorId = 0x8086, .deviceId = 0x2918, .bar0 = 0xFEC00000u});
    qorio_session_open(&session);
  }
  ~Driver() { qorio_session_close(&backend_, &session); }
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  Answer Send(uint32_t code, const std::vector<uint8_t>& input, std::size_t outputSize) {
    return SendOn(session, code, input, outputSize);
  }
  Answer SendOn(qorio_session& on, uint32_t code, const std::vector<uint8_t>& input, std::size_t outputSize) {
    // Exactly sized heap copies: ASan sees any access past them.
    std::unique_ptr<uint8_t[]> in(new uint8_t[input.size()]);
    std::copy(input.begin(), input.end(), in.get());
    std::unique_ptr<uint8_t[]> out(new uint8_t[outputSize]);
    std::fill_n(out.get(), outputSize, kFill);
    const qorio_reply reply = qorio_dispatch(
        &backend_, &on, code, input.empty() ? nullptr : in.get(), static_cast<uint32_t>(input.size()),
        outputSize == 0 ? nullptr : out.get(), static_cast<uint32_t>(outputSize));
    return {reply.outcome, reply.bytes_returned, {out.get(), out.get() + outputSize}};
  }

  uint32_t MapWindow(uint32_t physical = kWindowPhysical) {
    const Answer answer = Send(QORIO_IOCTL_MAP, Mem(physical, QORIO_WINDOW_LENGTH), backend_.map_reply_size);
    EXPECT_EQ(answer.outcome, QORIO_DONE);
    return answer.Token();
  }
  void Address(uint32_t configAddress) {
    ASSERT_EQ(Send(QORIO_IOCTL_SETPORT, Port(0xCF8, 4, configAddress), 0).outcome, QORIO_DONE);
  }
  qorio_backend& backend() { return backend_; }

  RecordingBackend world;
  qorio_session session{};

 private:
  qorio_backend backend_;
};

// What a request with exact lengths is, given the handle's mapped window.
struct RequestShape {
  const char* name;
  uint32_t code;
  std::function<std::vector<uint8_t>(uint32_t token)> input;
  std::size_t outputSize;
  uint32_t bytesReturned;
};

std::vector<RequestShape> EveryRequest() {
  return {
      {"map", QORIO_IOCTL_MAP, [](uint32_t) { return Mem(kWindowPhysical, QORIO_WINDOW_LENGTH); }, 4, 4},
      {"unmap", QORIO_IOCTL_UNMAP, [](uint32_t token) { return Mem(token, QORIO_WINDOW_LENGTH); }, 0, 0},
      {"getport", QORIO_IOCTL_GETPORT, [](uint32_t) { return Port(0xCFC, 1); }, 4, 4},
      {"setport", QORIO_IOCTL_SETPORT, [](uint32_t) { return Port(0xCF8, 4, kControllerAddress); }, 0, 0},
      {"readmem", QORIO_IOCTL_READMEM, [](uint32_t token) { return Mem(token + 0xB00, 4); }, 4, 4},
      {"writemem", QORIO_IOCTL_WRITEMEM, [](uint32_t token) { return Mem(token + 0xB00, 2, 0xBEEF); }, 0, 2},
      {"debug level", QORIO_IOCTL_SETDEBUGLEVEL, [](uint32_t) { return Level(3); }, 0, 4},
  };
}

TEST(QorioDispatch, EveryRequestWithExactLengthsSucceedsAndReportsItsByteCount) {
  for (const RequestShape& shape : EveryRequest()) {
    Driver driver;
    const uint32_t token = driver.MapWindow();
    driver.Address(kControllerAddress);
    const Answer answer = driver.Send(shape.code, shape.input(token), shape.outputSize);
    EXPECT_EQ(answer.outcome, QORIO_DONE) << shape.name;
    EXPECT_EQ(answer.bytes, shape.bytesReturned) << shape.name;
  }
}

TEST(QorioDispatch, AnyOtherInputOrOutputLengthFailsWithoutTouchingTheMachineOrTheOutput) {
  for (const RequestShape& shape : EveryRequest()) {
    const std::vector<uint8_t> exact = shape.input(0);
    std::vector<std::pair<std::size_t, std::size_t>> wrong = {{0, shape.outputSize},
                                                              {exact.size() - 1, shape.outputSize},
                                                              {exact.size() + 1, shape.outputSize},
                                                              {exact.size(), shape.outputSize + 1},
                                                              {exact.size(), shape.outputSize + 8}};
    if (shape.outputSize > 0) wrong.emplace_back(exact.size(), shape.outputSize - 1);
    for (const auto& [inputSize, outputSize] : wrong) {
      Driver driver;
      const uint32_t token = driver.MapWindow();
      driver.Address(kControllerAddress);
      driver.world.calls.clear();
      std::vector<uint8_t> input = shape.input(token);
      input.resize(inputSize, 0);
      const Answer answer = driver.Send(shape.code, input, outputSize);
      const std::string where = std::string(shape.name) + " input " + std::to_string(inputSize) + " output " +
                                std::to_string(outputSize);
      EXPECT_EQ(answer.outcome, QORIO_BAD_LENGTH) << where;
      EXPECT_EQ(answer.bytes, 0u) << where;
      EXPECT_TRUE(driver.world.calls.empty()) << where;
      EXPECT_EQ(answer.output, std::vector<uint8_t>(outputSize, kFill)) << where;
    }
  }
}

TEST(QorioDispatch, UnknownCodesFailWithoutTouchingTheMachine) {
  const uint32_t codes[] = {
      0,
      QORIO_CONTROL_CODE(0x804u),  // an unused function
      QORIO_CONTROL_CODE(0x80Du),
      QORIO_IOCTL_MAP | 0x3u,      // METHOD_NEITHER
      QORIO_IOCTL_READMEM | 0x1u,  // METHOD_IN_DIRECT
      QORIO_IOCTL_MAP | 0xC000u,   // FILE_READ_DATA | FILE_WRITE_DATA access
      QORIO_IOCTL_MAP & 0xFFFFu,   // device type 0
      0x00222000u,
  };
  for (const uint32_t code : codes) {
    Driver driver;
    const Answer answer = driver.Send(code, Mem(kWindowPhysical, QORIO_WINDOW_LENGTH), 4);
    EXPECT_EQ(answer.outcome, QORIO_UNKNOWN_REQUEST) << std::hex << code;
    EXPECT_TRUE(driver.world.calls.empty()) << std::hex << code;
  }
}

TEST(QorioDispatch, MemoryRequestsMoveOneToFourBytesAndReportThatCount) {
  for (uint32_t count = 1; count <= 4; ++count) {
    Driver driver;
    const uint32_t token = driver.MapWindow();
    const Answer written = driver.Send(QORIO_IOCTL_WRITEMEM, Mem(token + 0x10, count, 0x44332211u), 0);
    EXPECT_EQ(written.outcome, QORIO_DONE) << count;
    EXPECT_EQ(written.bytes, count);
    const Answer read = driver.Send(QORIO_IOCTL_READMEM, Mem(token + 0x10, count), count);
    EXPECT_EQ(read.outcome, QORIO_DONE) << count;
    EXPECT_EQ(read.bytes, count);
    const std::vector<uint8_t> expected = {0x11, 0x22, 0x33, 0x44};
    EXPECT_EQ(read.output, std::vector<uint8_t>(expected.begin(), expected.begin() + count)) << count;
  }
  for (const uint32_t count : {0u, 5u, 0x1000u, 0xFFFFFFFFu}) {
    Driver driver;
    const uint32_t token = driver.MapWindow();
    driver.world.calls.clear();
    EXPECT_EQ(driver.Send(QORIO_IOCTL_WRITEMEM, Mem(token, count, 1), 0).outcome, QORIO_BAD_LENGTH) << count;
    EXPECT_EQ(driver.Send(QORIO_IOCTL_READMEM, Mem(token, count), count > 8 ? 4 : count).outcome,
              QORIO_BAD_LENGTH)
        << count;
    EXPECT_TRUE(driver.world.calls.empty()) << count;
  }
}

TEST(QorioDispatch, WritesStoreTheFirstByteAtTheLowestAddress) {
  Driver driver;
  const uint32_t token = driver.MapWindow();
  ASSERT_EQ(driver.Send(QORIO_IOCTL_WRITEMEM, Mem(token + 0xB00, 4, 0x0D0C0B0Au), 0).outcome, QORIO_DONE);
  const Answer second = driver.Send(QORIO_IOCTL_READMEM, Mem(token + 0xB01, 1), 1);
  EXPECT_EQ(second.output, std::vector<uint8_t>{0x0B});
  const Answer upper = driver.Send(QORIO_IOCTL_READMEM, Mem(token + 0xB02, 2), 2);
  EXPECT_EQ(upper.output, (std::vector<uint8_t>{0x0C, 0x0D}));
}

struct PortCase {
  uint32_t port;
  uint32_t width;
  qorio_outcome outcome;
  uint32_t lane;  // of the back-end read, when one is made
};

TEST(QorioDispatch, PortReadsServeTheConfigurationAddressAndTheDataLanesOnly) {
  const PortCase cases[] = {
      {0xCFC, 1, QORIO_DONE, 0},
      {0xCFD, 1, QORIO_DONE, 1},
      {0xCFE, 1, QORIO_DONE, 2},
      {0xCFF, 1, QORIO_DONE, 3},
      {0xCFC, 2, QORIO_DONE, 0},
      {0xCFE, 2, QORIO_DONE, 2},
      {0xCFD, 2, QORIO_DONE, 1},
      {0xCFC, 4, QORIO_DONE, 0},
      // Widths that are not 1, 2 or 4, or that run past 0xCFF.
      {0xCFC, 0, QORIO_PORT_REFUSED, 0},
      {0xCFC, 3, QORIO_PORT_REFUSED, 0},
      {0xCFC, 8, QORIO_PORT_REFUSED, 0},
      {0xCFD, 4, QORIO_PORT_REFUSED, 0},
      {0xCFF, 2, QORIO_PORT_REFUSED, 0},
      // The address port only as 4 bytes; every other port.
      {0xCF8, 1, QORIO_PORT_REFUSED, 0},
      {0xCF8, 2, QORIO_PORT_REFUSED, 0},
      {0xCF9, 1, QORIO_PORT_REFUSED, 0},
      {0xCFB, 1, QORIO_PORT_REFUSED, 0},
      {0xD00, 1, QORIO_PORT_REFUSED, 0},
      {0x80, 1, QORIO_PORT_REFUSED, 0},
      {0x60, 1, QORIO_PORT_REFUSED, 0},
      {0x1CFC, 1, QORIO_PORT_REFUSED, 0},
      {0x10CFC, 1, QORIO_PORT_REFUSED, 0},  // not truncated to 16 bits
      {0xFFFFFFFF, 4, QORIO_PORT_REFUSED, 0},
  };
  for (const PortCase& c : cases) {
    Driver driver;
    driver.Address(kControllerAddress);
    const Answer answer = driver.Send(QORIO_IOCTL_GETPORT, Port(c.port, c.width), 4);
    EXPECT_EQ(answer.outcome, c.outcome) << std::hex << c.port << " width " << c.width;
    const std::vector<BackendCall> reads = driver.world.CallsOf(BackendCall::kConfigRead);
    if (c.outcome != QORIO_DONE) {
      EXPECT_TRUE(reads.empty()) << std::hex << c.port;
      continue;
    }
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].address, kControllerAddress);
    EXPECT_EQ(reads[0].lane, c.lane);
    EXPECT_EQ(reads[0].width, c.width);
    // The IDs 1E9C:5844 as the lanes show them, zero-extended to 4 bytes.
    const uint32_t dword = 0x58441E9Cu;
    const uint32_t expected =
        (dword >> (8 * c.lane)) & (c.width == 4 ? 0xFFFFFFFFu : (1u << (8 * c.width)) - 1);
    EXPECT_EQ(answer.Value(), expected) << std::hex << c.port << " width " << c.width;
  }
}

TEST(QorioDispatch, PortWritesServeTheConfigurationAddressAndTheDataLanesOnly) {
  for (const PortCase& c : std::initializer_list<PortCase>{{0xCF8, 1, QORIO_PORT_REFUSED, 0},
                                                           {0xCF9, 1, QORIO_PORT_REFUSED, 0},
                                                           {0x80, 1, QORIO_PORT_REFUSED, 0},
                                                           {0xCFC, 3, QORIO_PORT_REFUSED, 0},
                                                           {0xCFE, 4, QORIO_PORT_REFUSED, 0},
                                                           {0x10CF8, 4, QORIO_PORT_REFUSED, 0}}) {
    Driver driver;
    driver.Address(QORIO_CONFIG_ADDRESS(1, 0, 0, 0x04));
    EXPECT_EQ(driver.Send(QORIO_IOCTL_SETPORT, Port(c.port, c.width, 0), 0).outcome, c.outcome)
        << std::hex << c.port << " width " << c.width;
    EXPECT_TRUE(driver.world.CallsOf(BackendCall::kConfigWrite).empty());
  }
}

TEST(QorioDispatch, TheConfigurationAddressIsKeptPerHandleAndSentOnlyWithItsDataAccess) {
  Driver driver;
  qorio_session other{};
  qorio_session_open(&other);
  driver.Address(QORIO_CONFIG_ADDRESS(1, 0, 0, 0x00));
  ASSERT_EQ(driver.SendOn(other, QORIO_IOCTL_SETPORT, Port(0xCF8, 4, kHostBridgeAddress), 0).outcome,
            QORIO_DONE);
  EXPECT_TRUE(driver.world.calls.empty()) << "an address write alone reaches no hardware";

  // The first handle's data read still goes to its own function, as one pair.
  const Answer mine = driver.Send(QORIO_IOCTL_GETPORT, Port(0xCFE, 2), 4);
  EXPECT_EQ(mine.Value(), 0x5844u);
  const Answer theirs = driver.SendOn(other, QORIO_IOCTL_GETPORT, Port(0xCFE, 2), 4);
  EXPECT_EQ(theirs.Value(), 0x1237u);
  const std::vector<BackendCall> reads = driver.world.CallsOf(BackendCall::kConfigRead);
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(reads[0].address, kControllerAddress);
  EXPECT_EQ(reads[1].address, kHostBridgeAddress);
  qorio_session_close(&driver.backend(), &other);
}

TEST(QorioDispatch, TheConfigurationAddressReadsBackAsKept) {
  Driver driver;
  for (const auto& [written, kept] : std::initializer_list<std::pair<uint32_t, uint32_t>>{
           {0xFFFFFFFFu, 0x80FFFFFCu},
           {QORIO_CONFIG_ADDRESS(3, 4, 5, 0x47), QORIO_CONFIG_ADDRESS(3, 4, 5, 0x44)},
           {0x12345678u, 0x00345678u}}) {
    driver.Address(written);
    EXPECT_EQ(driver.Send(QORIO_IOCTL_GETPORT, Port(0xCF8, 4), 4).Value(), kept) << std::hex << written;
  }
}

TEST(QorioDispatch, DataLanesWithoutTheEnableBitReadAllOnesAndWriteNothing) {
  Driver driver;
  driver.Address(kControllerAddress & ~QORIO_CONFIG_ENABLE);
  EXPECT_EQ(driver.Send(QORIO_IOCTL_GETPORT, Port(0xCFC, 4), 4).Value(), 0xFFFFFFFFu);
  EXPECT_EQ(driver.Send(QORIO_IOCTL_GETPORT, Port(0xCFD, 1), 4).Value(), 0xFFu);
  EXPECT_EQ(driver.Send(QORIO_IOCTL_SETPORT, Port(0xCFC, 1, 0), 0).outcome, QORIO_FUNCTION_REFUSED);
  EXPECT_TRUE(driver.world.calls.empty());
}

struct ConfigWriteCase {
  const char* what;
  uint32_t address;
  uint32_t port;
  uint32_t width;
  qorio_outcome outcome;
};

TEST(QorioDispatch, ConfigurationWritesReachOnlySupportedControllersAndNeverTheirBars) {
  const ConfigWriteCase cases[] = {
      {"command register", QORIO_CONFIG_ADDRESS(1, 0, 0, 0x04), 0xCFC, 1, QORIO_DONE},
      {"power state", QORIO_CONFIG_ADDRESS(1, 0, 0, 0x44), 0xCFC, 1, QORIO_DONE},
      {"status word", QORIO_CONFIG_ADDRESS(1, 0, 0, 0x04), 0xCFE, 2, QORIO_DONE},
      {"latency timer", QORIO_CONFIG_ADDRESS(1, 0, 0, 0x0C), 0xCFD, 1, QORIO_DONE},
      {"last byte before BAR0", QORIO_CONFIG_ADDRESS(1, 0, 0, 0x0C), 0xCFF, 1, QORIO_DONE},
      {"subsystem IDs after the BARs", QORIO_CONFIG_ADDRESS(1, 0, 0, 0x2C), 0xCFC, 4, QORIO_DONE},
      {"BAR0", QORIO_CONFIG_ADDRESS(1, 0, 0, 0x10), 0xCFC, 4, QORIO_REGISTER_REFUSED},
      {"BAR0 high byte", QORIO_CONFIG_ADDRESS(1, 0, 0, 0x10), 0xCFF, 1, QORIO_REGISTER_REFUSED},
      {"BAR1 (a 64-bit BAR0's upper half)", QORIO_CONFIG_ADDRESS(1, 0, 0, 0x14), 0xCFC, 4,
       QORIO_REGISTER_REFUSED},
      {"BAR5", QORIO_CONFIG_ADDRESS(1, 0, 0, 0x24), 0xCFE, 2, QORIO_REGISTER_REFUSED},
      {"expansion ROM", QORIO_CONFIG_ADDRESS(1, 0, 0, 0x30), 0xCFD, 1, QORIO_REGISTER_REFUSED},
      {"unsupported function", QORIO_CONFIG_ADDRESS(0, 0, 0, 0x04), 0xCFC, 1, QORIO_FUNCTION_REFUSED},
      {"absent function", QORIO_CONFIG_ADDRESS(9, 0, 0, 0x04), 0xCFC, 1, QORIO_FUNCTION_REFUSED},
      {"absent function of the controller", QORIO_CONFIG_ADDRESS(1, 0, 1, 0x04), 0xCFC, 1,
       QORIO_FUNCTION_REFUSED},
  };
  for (const ConfigWriteCase& c : cases) {
    Driver driver;
    driver.Address(c.address);
    EXPECT_EQ(driver.Send(QORIO_IOCTL_SETPORT, Port(c.port, c.width, 0x00000000), 0).outcome, c.outcome)
        << c.what;
    const std::vector<BackendCall> writes = driver.world.CallsOf(BackendCall::kConfigWrite);
    if (c.outcome != QORIO_DONE) {
      EXPECT_TRUE(writes.empty()) << c.what;
      continue;
    }
    ASSERT_EQ(writes.size(), 1u) << c.what;
    EXPECT_EQ(writes[0].address, c.address) << c.what;
    EXPECT_EQ(writes[0].lane, c.port - 0xCFC) << c.what;
    EXPECT_EQ(writes[0].width, c.width) << c.what;
  }
}

TEST(QorioDispatch, EverySupportedIdIsWritableAndNearMissesAreNot) {
  std::vector<std::pair<ControllerId, qorio_outcome>> cases = {
      {{0x1E9C, 0x5833}, QORIO_FUNCTION_REFUSED},
      {{0x1E9D, 0x5844}, QORIO_FUNCTION_REFUSED},
      {{0x5844, 0x1E9C}, QORIO_FUNCTION_REFUSED},
      {{0xFFFF, 0x5844}, QORIO_FUNCTION_REFUSED},
  };
  for (const ControllerId& id : kSupportedControllerIds) cases.push_back({id, QORIO_DONE});
  for (const auto& [id, outcome] : cases) {
    Driver driver;
    driver.world.Add(
        {.bus = 5, .device = 3, .function = 2, .vendorId = id.vendorId, .deviceId = id.deviceId});
    driver.Address(QORIO_CONFIG_ADDRESS(5, 3, 2, 0x04));
    EXPECT_EQ(driver.Send(QORIO_IOCTL_SETPORT, Port(0xCFC, 1, 0x06), 0).outcome, outcome)
        << std::hex << id.vendorId << ":" << id.deviceId;
  }
}

struct MapCase {
  const char* what;
  uint32_t physical;
  uint32_t length;
  qorio_outcome outcome;
};

TEST(QorioDispatch, MapsServeOnlyPagesInsideBar0OfASupportedController) {
  const MapCase cases[] = {
      {"the SPI window", kWindowPhysical, 0x1000, QORIO_DONE},
      {"the register page", kControllerBar0, 0x1000, QORIO_DONE},
      {"past the known span", kControllerBar0 + 0x2000, 0x1000, QORIO_MAP_REFUSED},
      {"just below BAR0", kControllerBar0 - 0x1000, 0x1000, QORIO_MAP_REFUSED},
      {"not page aligned", kControllerBar0 + 0x800, 0x1000, QORIO_MAP_REFUSED},
      {"unsupported function's BAR0", 0xFEC01000u, 0x1000, QORIO_MAP_REFUSED},
      {"multi-function controller at function 2", 0xFE801000u, 0x1000, QORIO_DONE},
      {"controller behind a single-function device 0", 0xFE901000u, 0x1000, QORIO_MAP_REFUSED},
      {"controller on the last bus", 0xFEA01000u, 0x1000, QORIO_DONE},
      {"64-bit BAR0 below 4 GiB", 0xFED01000u, 0x1000, QORIO_DONE},
      {"64-bit BAR0 above 4 GiB", 0xFEE01000u, 0x1000, QORIO_MAP_REFUSED},
      {"I/O BAR0", 0x0000E000u, 0x1000, QORIO_MAP_REFUSED},
      {"unassigned BAR0", 0x00000000u, 0x1000, QORIO_MAP_REFUSED},
      {"kernel memory", 0x00100000u, 0x1000, QORIO_MAP_REFUSED},
      {"half a window", kWindowPhysical, 0x800, QORIO_BAD_LENGTH},
      {"two windows", kControllerBar0, 0x2000, QORIO_BAD_LENGTH},
  };
  for (const MapCase& c : cases) {
    Driver driver;
    driver.world.Add(
        {.bus = 6, .function = 0, .vendorId = 0x8086, .deviceId = 0x1111, .multifunction = true});
    driver.world.Add({.bus = 6, .function = 2, .vendorId = 0x1E9C, .deviceId = 0x5845, .bar0 = 0xFE800000u});
    driver.world.Add({.bus = 7, .function = 0, .vendorId = 0x8086, .deviceId = 0x1111});
    driver.world.Add({.bus = 7, .function = 2, .vendorId = 0x1E9C, .deviceId = 0x5845, .bar0 = 0xFE900000u});
    driver.world.Add(
        {.bus = 0xFF, .device = 31, .vendorId = 0x1E9C, .deviceId = 0x5832, .bar0 = 0xFEA00000u});
    driver.world.Add({.bus = 8, .vendorId = 0x1E9C, .deviceId = 0x5846, .bar0 = 0xFED00004u, .bar1 = 0});
    driver.world.Add({.bus = 9, .vendorId = 0x1E9C, .deviceId = 0x5846, .bar0 = 0xFEE00004u, .bar1 = 1});
    driver.world.Add({.bus = 10, .vendorId = 0x1E9C, .deviceId = 0x5834, .bar0 = 0x0000E001u});
    driver.world.Add({.bus = 11, .vendorId = 0x1E9C, .deviceId = 0x5834, .bar0 = 0});
    const Answer answer = driver.Send(QORIO_IOCTL_MAP, Mem(c.physical, c.length), 4);
    EXPECT_EQ(answer.outcome, c.outcome) << c.what;
    const std::vector<BackendCall> maps = driver.world.CallsOf(BackendCall::kMap);
    if (c.outcome != QORIO_DONE) {
      EXPECT_TRUE(maps.empty()) << c.what;
      EXPECT_EQ(answer.output, std::vector<uint8_t>(4, kFill)) << c.what;
      continue;
    }
    ASSERT_EQ(maps.size(), 1u) << c.what;
    EXPECT_EQ(maps[0].address, c.physical) << c.what;
  }
}

TEST(QorioDispatch, TheMapReplyIsPointerSizedWithTheTokenInItsLowFourBytes) {
  for (const uint32_t replySize : {4u, 8u}) {
    Driver driver(replySize);
    const Answer answer = driver.Send(QORIO_IOCTL_MAP, Mem(kWindowPhysical, 0x1000), replySize);
    ASSERT_EQ(answer.outcome, QORIO_DONE);
    EXPECT_EQ(answer.bytes, replySize);
    EXPECT_NE(answer.Token(), 0u);
    EXPECT_EQ(std::vector<uint8_t>(answer.output.begin() + 4, answer.output.end()),
              std::vector<uint8_t>(replySize - 4, 0));
    EXPECT_EQ(driver.Send(QORIO_IOCTL_MAP, Mem(kWindowPhysical, 0x1000), 12 - replySize).outcome,
              QORIO_BAD_LENGTH);
  }
}

TEST(QorioDispatch, TokensAreTheDriversOwnAndNeverTheMappedAddress) {
  Driver driver;
  const uint32_t first = driver.MapWindow();
  const uint32_t second = driver.MapWindow();
  EXPECT_NE(first, 0u);
  EXPECT_NE(second, 0u);
  EXPECT_NE(first, second) << "the same page mapped twice is two windows";
  EXPECT_EQ(driver.world.LiveMappings(), 2u);
  for (const uint32_t token : {first, second}) {
    EXPECT_EQ(token % QORIO_WINDOW_LENGTH, 0u);
    EXPECT_NE(token, kWindowPhysical);
    for (const uint32_t mapped : driver.world.MappedAddresses()) EXPECT_NE(token, mapped);
  }
  // Unmapping one leaves the other open.
  ASSERT_EQ(driver.Send(QORIO_IOCTL_UNMAP, Mem(first, 0x1000), 0).outcome, QORIO_DONE);
  EXPECT_EQ(driver.Send(QORIO_IOCTL_READMEM, Mem(second + 4, 4), 4).outcome, QORIO_DONE);
}

TEST(QorioDispatch, AStaleTokenIsRefusedEvenWhenItsSlotHoldsANewWindow) {
  Driver driver;
  const uint32_t stale = driver.MapWindow();
  ASSERT_EQ(driver.Send(QORIO_IOCTL_UNMAP, Mem(stale, 0x1000), 0).outcome, QORIO_DONE);
  EXPECT_EQ(driver.world.LiveMappings(), 0u);
  const uint32_t fresh = driver.MapWindow();
  EXPECT_NE(fresh, stale);
  driver.world.calls.clear();
  EXPECT_EQ(driver.Send(QORIO_IOCTL_READMEM, Mem(stale + 0xB00, 4), 4).outcome, QORIO_NO_SUCH_WINDOW);
  EXPECT_EQ(driver.Send(QORIO_IOCTL_WRITEMEM, Mem(stale + 0xB00, 1, 1), 0).outcome, QORIO_NO_SUCH_WINDOW);
  EXPECT_EQ(driver.Send(QORIO_IOCTL_UNMAP, Mem(stale, 0x1000), 0).outcome, QORIO_NO_SUCH_WINDOW);
  EXPECT_TRUE(driver.world.calls.empty());
  EXPECT_EQ(driver.world.LiveMappings(), 1u);
}

struct WindowCase {
  const char* what;
  int64_t offset;  // from the token
  uint32_t count;
  qorio_outcome outcome;
};

TEST(QorioDispatch, MemoryRequestsStayInsideTheirWindow) {
  const WindowCase cases[] = {
      {"first byte", 0, 4, QORIO_DONE},
      {"last dword", 0xFFC, 4, QORIO_DONE},
      {"last byte", 0xFFF, 1, QORIO_DONE},
      {"dword across the end", 0xFFD, 4, QORIO_PAST_WINDOW_END},
      {"word across the end", 0xFFF, 2, QORIO_PAST_WINDOW_END},
      {"the next page", 0x1000, 1, QORIO_NO_SUCH_WINDOW},
      {"before the window", -1, 1, QORIO_NO_SUCH_WINDOW},
      {"far away", 0x7FFF0000, 1, QORIO_NO_SUCH_WINDOW},
  };
  for (const WindowCase& c : cases) {
    Driver driver;
    const uint32_t token = driver.MapWindow();
    driver.world.calls.clear();
    const auto address = static_cast<uint32_t>(token + c.offset);
    EXPECT_EQ(driver.Send(QORIO_IOCTL_READMEM, Mem(address, c.count), c.count).outcome, c.outcome) << c.what;
    EXPECT_EQ(driver.Send(QORIO_IOCTL_WRITEMEM, Mem(address, c.count, 0), 0).outcome, c.outcome) << c.what;
    if (c.outcome != QORIO_DONE) {
      EXPECT_TRUE(driver.world.calls.empty()) << c.what;
    }
  }
}

TEST(QorioDispatch, UnmapNeedsTheTokenItself) {
  Driver driver;
  const uint32_t token = driver.MapWindow();
  for (const uint32_t address : {token + 4, token + 0xFFF, token + 0x1000, token - 0x1000, 0u}) {
    EXPECT_EQ(driver.Send(QORIO_IOCTL_UNMAP, Mem(address, 0x1000), 0).outcome, QORIO_NO_SUCH_WINDOW)
        << std::hex << address;
  }
  EXPECT_EQ(driver.Send(QORIO_IOCTL_UNMAP, Mem(token, 0x800), 0).outcome, QORIO_BAD_LENGTH);
  EXPECT_EQ(driver.world.LiveMappings(), 1u);
}

TEST(QorioDispatch, WindowsBelongToTheHandleThatMappedThem) {
  Driver driver;
  qorio_session other{};
  qorio_session_open(&other);
  const uint32_t token = driver.MapWindow();
  EXPECT_EQ(driver.SendOn(other, QORIO_IOCTL_READMEM, Mem(token, 4), 4).outcome, QORIO_NO_SUCH_WINDOW);
  EXPECT_EQ(driver.SendOn(other, QORIO_IOCTL_UNMAP, Mem(token, 0x1000), 0).outcome, QORIO_NO_SUCH_WINDOW);
  EXPECT_EQ(driver.world.LiveMappings(), 1u);
  qorio_session_close(&driver.backend(), &other);
}

TEST(QorioDispatch, AHandleHoldsSixteenWindowsAtMost) {
  Driver driver;
  std::vector<uint32_t> tokens;
  for (uint32_t i = 0; i < QORIO_MAX_WINDOWS; ++i) tokens.push_back(driver.MapWindow());
  driver.world.calls.clear();
  EXPECT_EQ(driver.Send(QORIO_IOCTL_MAP, Mem(kWindowPhysical, 0x1000), 4).outcome, QORIO_OUT_OF_WINDOWS);
  EXPECT_TRUE(driver.world.CallsOf(BackendCall::kMap).empty());
  ASSERT_EQ(driver.Send(QORIO_IOCTL_UNMAP, Mem(tokens[7], 0x1000), 0).outcome, QORIO_DONE);
  EXPECT_EQ(driver.Send(QORIO_IOCTL_MAP, Mem(kWindowPhysical, 0x1000), 4).outcome, QORIO_DONE);
}

TEST(QorioDispatch, AMapTheSystemCannotMakeFailsAndHoldsNoSlot) {
  Driver driver;
  driver.world.mapFails = true;
  for (uint32_t i = 0; i <= QORIO_MAX_WINDOWS; ++i) {
    EXPECT_EQ(driver.Send(QORIO_IOCTL_MAP, Mem(kWindowPhysical, 0x1000), 4).outcome, QORIO_MAP_FAILED);
  }
  driver.world.mapFails = false;
  EXPECT_EQ(driver.Send(QORIO_IOCTL_MAP, Mem(kWindowPhysical, 0x1000), 4).outcome, QORIO_DONE);
}

TEST(QorioDispatch, ClosingAHandleUnmapsEveryWindowItStillHolds) {
  Driver driver;
  const uint32_t first = driver.MapWindow();
  driver.MapWindow(kControllerBar0);
  driver.MapWindow();
  ASSERT_EQ(driver.Send(QORIO_IOCTL_UNMAP, Mem(first, 0x1000), 0).outcome, QORIO_DONE);
  ASSERT_EQ(driver.world.LiveMappings(), 2u);
  qorio_session_close(&driver.backend(), &driver.session);
  EXPECT_EQ(driver.world.LiveMappings(), 0u);
  EXPECT_EQ(driver.world.CallsOf(BackendCall::kUnmap).size(), 3u) << "each window unmapped once";
  qorio_session_close(&driver.backend(), &driver.session);
  EXPECT_EQ(driver.world.CallsOf(BackendCall::kUnmap).size(), 3u) << "a second close unmaps nothing";
}

// METHOD_BUFFERED hands the driver one buffer for input and output.
TEST(QorioDispatch, RequestsAnswerCorrectlyWhenInputAndOutputShareOneBuffer) {
  Driver driver(8);
  std::vector<uint8_t> buffer = Mem(kWindowPhysical, 0x1000);
  qorio_reply reply = qorio_dispatch(&driver.backend(), &driver.session, QORIO_IOCTL_MAP, buffer.data(), 12,
                                     buffer.data(), 8);
  ASSERT_EQ(reply.outcome, QORIO_DONE);
  const uint32_t token = qorio::LoadLe32(buffer.data());
  EXPECT_EQ(qorio::LoadLe32(buffer.data() + 4), 0u);

  buffer = Mem(token + 0x20, 4, 0x87654321u);
  reply = qorio_dispatch(&driver.backend(), &driver.session, QORIO_IOCTL_WRITEMEM, buffer.data(), 12,
                         buffer.data(), 0);
  ASSERT_EQ(reply.outcome, QORIO_DONE);
  buffer = Mem(token + 0x20, 4);
  reply = qorio_dispatch(&driver.backend(), &driver.session, QORIO_IOCTL_READMEM, buffer.data(), 12,
                         buffer.data(), 4);
  ASSERT_EQ(reply.outcome, QORIO_DONE);
  EXPECT_EQ(qorio::LoadLe32(buffer.data()), 0x87654321u);

  driver.Address(kControllerAddress);
  buffer = Port(0xCFC, 4);
  reply = qorio_dispatch(&driver.backend(), &driver.session, QORIO_IOCTL_GETPORT, buffer.data(), 24,
                         buffer.data(), 4);
  ASSERT_EQ(reply.outcome, QORIO_DONE);
  EXPECT_EQ(qorio::LoadLe32(buffer.data()), 0x58441E9Cu);
}

TEST(QorioDispatch, TheDebugLevelIsKeptForTheHandle) {
  Driver driver;
  ASSERT_EQ(driver.Send(QORIO_IOCTL_SETDEBUGLEVEL, Level(7), 0).bytes, 4u);
  EXPECT_EQ(driver.session.debug_level, 7u);
  EXPECT_TRUE(driver.world.calls.empty());
}

}  // namespace
}  // namespace tamsel
