#include "hw/device_table.h"

#include <gtest/gtest.h>

#include "sim/test_machine.h"

namespace tamsel {
namespace {

TEST(Scan584DevOnDefaultMachine, FindsTheTwoControllersWithTheirStoredVersion) {
  sim::TestMachine machine;
  ASSERT_TRUE(machine.loaded()) << machine.error();
  DeviceTable table;
  Scan584Dev(table);
  ASSERT_EQ(table.uc584Host, 2);
  EXPECT_EQ(table.slots[0].bus, 3);
  EXPECT_EQ(table.slots[1].bus, 4);
  const std::array<uint8_t, 8> expected{0x24, 0x12, 0x24, 0x00, 0x00, 0x02, 0x00, 0x00};
  EXPECT_EQ(table.slots[0].fwVersionRegs, expected);
}

}  // namespace
}  // namespace tamsel
