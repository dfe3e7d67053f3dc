#include "app/exit_code.h"

#include <vector>

#include "files/file_access.h"
#include "files/result_files.h"

namespace tamsel {

int ExitCodeFromResultFile(const std::string& startDirectory) {
  std::vector<uint8_t> bytes;
  int error = 0;
  if (startDirectory.empty() || !ReadWholeFile(JoinPath(startDirectory, kResultFileName), bytes, error)) {
    return kExitSuccess;
  }
  static constexpr char kFail[] = "Fail";
  const std::string text(bytes.begin(), bytes.end());
  return text.rfind(kFail, 0) == 0 ? kExitFailVerdict : kExitSuccess;
}

}  // namespace tamsel
