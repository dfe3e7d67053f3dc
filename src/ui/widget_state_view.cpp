#include "ui/widget_state_view.h"

namespace tamsel {

bool WidgetStateView::IsChecked(ControlId id) const {
  const auto found = checked_.find(id);
  return found != checked_.end() && found->second;
}

bool WidgetStateView::IsEnabled(ControlId id) const {
  const auto found = enabled_.find(id);
  return found == enabled_.end() || found->second;
}

void WidgetStateView::SetProgressRange(int low, int high) {
  progress_.low = low;
  progress_.high = high;
}

bool WidgetStateView::CloseWindowByTitle(const std::string& title) {
  if (busyCaption_.empty() || busyCaption_ != title) {
    return false;
  }
  busyCaption_.clear();
  return true;
}

int WidgetStateView::RunModal(DialogEvents& events) {
  if (!result_) {
    events.OnCancel();
  }
  return result_.value_or(2);
}

}  // namespace tamsel
