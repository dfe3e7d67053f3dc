#include "ui/tamsel_application.h"

#include "app/exit_code.h"
#include "ui/tamsel_dlg.h"
#include "ui/view_factory.h"

namespace tamsel {

int CTamsel::InitInstance(const std::vector<std::string>& arguments, EmbeddedTable carriedFiles,
                          CarriedImageKind carriedImage) {
  const std::unique_ptr<View> view = MakeView(arguments);
  CTamselDlg dialog(*view);
  dialog.state().carriedFiles = carriedFiles;
  dialog.state().carriedImage = carriedImage;
  dialog.DoModal(arguments);
  if (const std::optional<int> code = dialog.requestedExitCode()) {
    return *code;
  }
  return ExitCodeForEnding(dialog.state().ending);
}

}  // namespace tamsel
