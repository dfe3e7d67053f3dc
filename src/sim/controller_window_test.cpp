#include "sim/controller_window.h"

#include <gtest/gtest.h>

#include "sim/scripted_spi_device.h"

namespace tamsel::sim {
namespace {

using Event = ScriptedSpiDevice::Event;

class WindowModel : public ::testing::Test {
 protected:
  ControllerWindow Make(WindowFaults faults = {}) { return ControllerWindow(chip_, clock_, faults, 250); }
  ScriptedSpiDevice chip_;
  VirtualClock clock_;
};

TEST_F(WindowModel, AWriteTransferShiftsOutTheDataBytesWhileBusy) {
  ControllerWindow window = Make();
  for (uint8_t i = 0; i < 4; ++i) window.Write(0xB00 + i, static_cast<uint8_t>(0x90 + i));
  window.Write(0xB04, 0x2B);  // start, write, 3 bytes, chip selected
  EXPECT_EQ(window.Read(0xB04), 0x2B) << "busy until the bytes are out";
  clock_.Advance(3 * 250 + 1);
  EXPECT_EQ(window.Read(0xB04), 0x0B);
  const std::vector<Event> expected{{Event::Kind::kSelect},
                                    {Event::Kind::kByte, 0x90},
                                    {Event::Kind::kByte, 0x91},
                                    {Event::Kind::kByte, 0x92}};
  EXPECT_EQ(chip_.events(), expected);
}

TEST_F(WindowModel, AReadTransferFillsTheFirstBytesOfTheDataRegister) {
  ControllerWindow window = Make();
  window.Write(0xB03, 0x77);
  chip_.Answer({0xC2, 0x20});
  window.Write(0xB04, 0x22);
  clock_.Advance(1000);
  EXPECT_EQ(window.Read(0xB00), 0xC2);
  EXPECT_EQ(window.Read(0xB01), 0x20);
  EXPECT_EQ(window.Read(0xB03), 0x77);
}

TEST_F(WindowModel, ReleasedChipSeesNothingAndReadsFloatHigh) {
  ControllerWindow window = Make();
  window.Write(0xB04, 0x31);  // start a 1-byte read with the chip released
  clock_.Advance(1000);
  EXPECT_EQ(window.Read(0xB00), 0xFF);
  EXPECT_TRUE(chip_.events().empty());
}

TEST_F(WindowModel, CountsOutsideOneToFourStartNothing) {
  ControllerWindow window = Make();
  for (uint8_t control : {uint8_t{0x20}, uint8_t{0x25}, uint8_t{0x2F}}) {
    window.Write(0xB04, control);
    EXPECT_EQ(window.Read(0xB04) & 0x20, 0) << int{control};
  }
  EXPECT_EQ(std::count_if(chip_.events().begin(), chip_.events().end(),
                          [](const Event& e) { return e.kind == Event::Kind::kByte; }),
            0);
}

TEST_F(WindowModel, TheBusyFaultNeverClearsAfterAStart) {
  ControllerWindow window = Make({.busy = true});
  EXPECT_EQ(window.Read(0xB04) & 0x20, 0);
  window.Write(0xB04, 0x21);
  clock_.Advance(60'000'000'000);
  EXPECT_EQ(window.Read(0xB04) & 0x20, 0x20);
}

struct GrantCase {
  WindowFaults faults;
  int readsUntilGranted;  // -1: never
};

class GrantFaults : public WindowModel, public ::testing::WithParamInterface<GrantCase> {};

TEST_P(GrantFaults, TheGrantRisesAfterTheConfiguredPolls) {
  ControllerWindow window = Make(GetParam().faults);
  EXPECT_EQ(window.Read(0xB06) & 0x02, 0) << "no grant without a request";
  window.Write(0xB06, 0x01);
  int reads = 1;
  while ((window.Read(0xB06) & 0x02) == 0 && reads < 100) ++reads;
  EXPECT_EQ(reads == 100 ? -1 : reads, GetParam().readsUntilGranted);
  window.Write(0xB06, 0x00);
  EXPECT_EQ(window.Read(0xB06), 0x00) << "releasing the request drops the grant";
}

INSTANTIATE_TEST_SUITE_P(Polls, GrantFaults,
                         ::testing::Values(GrantCase{{}, 1}, GrantCase{{.grantPolls = 3}, 4},
                                           GrantCase{{.grantNever = true}, -1}));

TEST_F(WindowModel, AStallHoldsTheBusyBitAndIgnoresTheControlRegisterUntilItEnds) {
  ControllerWindow window = Make();
  window.Stall(2'000'000);
  EXPECT_EQ(window.Read(0xB04) & 0x20, 0x20);
  window.Write(0xB04, 0x21);  // a start while stalled
  clock_.Advance(1'999'999);
  EXPECT_EQ(window.Read(0xB04) & 0x20, 0x20);
  EXPECT_TRUE(chip_.events().empty()) << "nothing started meanwhile";
  clock_.Advance(1);
  EXPECT_EQ(window.Read(0xB04) & 0x20, 0);
  window.Write(0xB04, 0x21);
  EXPECT_EQ(chip_.events().size(), 2u) << "select and one byte once the stall is over";
}

TEST_F(WindowModel, TheConfigRegisterAndOtherOffsetsAreStorage) {
  ControllerWindow window = Make();
  EXPECT_EQ(window.Read(0xB11), 0x0F);
  window.Write(0xB11, 0x01);
  EXPECT_EQ(window.Read(0xB11), 0x01);
  window.Write(0x010, 0xAB);
  EXPECT_EQ(window.Read(0x010), 0xAB);
}

}  // namespace
}  // namespace tamsel::sim
