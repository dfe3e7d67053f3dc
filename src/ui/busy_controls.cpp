#include "ui/busy_controls.h"

#include <array>

namespace tamsel {

namespace {

using C = ControlId;

constexpr std::array<ControlId, 14> kWorkControls = {
    C::kFwBrowser,      C::kFwPath,          C::kCheckErase, C::kCheckRegTable, C::kCheckUpdate,
    C::kCheckCustTable, C::kCheckFwRecTable, C::kRescan,     C::kStart,         C::kOk,
    C::kCancel,         C::kCheckFw,         C::kClear,      C::kSelectAll,
};

constexpr std::array<ControlId, kWorkControls.size() + 16> WithDevBoxes() {
  std::array<ControlId, kWorkControls.size() + 16> all{};
  for (std::size_t i = 0; i < kWorkControls.size(); ++i) {
    all[i] = kWorkControls[i];
  }
  for (int n = 0; n < 16; ++n) {
    all[kWorkControls.size() + static_cast<std::size_t>(n)] = DevCheckBox(n);
  }
  return all;
}

constexpr auto kDisabledDuringWork = WithDevBoxes();

}  // namespace

std::span<const ControlId> ControlsDisabledDuringWork() {
  return kDisabledDuringWork;
}

std::span<const ControlId> ControlsEnabledAfterWork() {
  return kWorkControls;
}

}  // namespace tamsel
