// The window table's tokens over the life of a long-open handle.
#include <gtest/gtest.h>

#include <set>

extern "C" {
#include "qorio_windows.h"
}

namespace tamsel {
namespace {

void NoUnmap(void*, void*) {}

TEST(QorioWindows, TokensStayNonZeroAndDistinctAcrossTheirWholeCount) {
  qorio_backend backend{};
  backend.unmap = &NoUnmap;
  qorio_windows windows{};
  qorio_windows_init(&windows);
  int page = 0;
  std::set<uint32_t> seen;
  for (uint32_t i = 0; i < 2 * 0x10000u; ++i) {
    qorio_window* slot = qorio_windows_free_slot(&windows);
    ASSERT_NE(slot, nullptr);
    const uint32_t token = qorio_windows_add(&windows, slot, &page);
    ASSERT_NE(token, 0u) << i;  // 0 is what the program reads as a failed map
    ASSERT_EQ(token % 0x1000, 0u) << i;
    if (i < 0xFFFF) {
      EXPECT_TRUE(seen.insert(token).second) << "token repeated after " << i << " maps";
    }
    qorio_windows_remove(&backend, slot);
  }
}

TEST(QorioWindows, EverySlotResolvesOnlyItsOwnToken) {
  qorio_backend backend{};
  backend.unmap = &NoUnmap;
  qorio_windows windows{};
  qorio_windows_init(&windows);
  int pages[QORIO_MAX_WINDOWS] = {};
  uint32_t tokens[QORIO_MAX_WINDOWS] = {};
  for (uint32_t i = 0; i < QORIO_MAX_WINDOWS; ++i) {
    tokens[i] = qorio_windows_add(&windows, qorio_windows_free_slot(&windows), &pages[i]);
  }
  EXPECT_EQ(qorio_windows_free_slot(&windows), nullptr);
  for (uint32_t i = 0; i < QORIO_MAX_WINDOWS; ++i) {
    qorio_window* window = nullptr;
    uint32_t offset = 0;
    ASSERT_EQ(qorio_windows_resolve(&windows, tokens[i] + 0x123, 4, &window, &offset), QORIO_DONE);
    EXPECT_EQ(window->mapping, &pages[i]);
    EXPECT_EQ(offset, 0x123u);
  }
  qorio_windows_remove_all(&backend, &windows);
  for (const uint32_t token : tokens) {
    qorio_window* window = nullptr;
    uint32_t offset = 0;
    EXPECT_EQ(qorio_windows_resolve(&windows, token, 1, &window, &offset), QORIO_NO_SUCH_WINDOW);
  }
}

}  // namespace
}  // namespace tamsel
