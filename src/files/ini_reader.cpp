// LoadINIFile: reads "584upd.ini" line by line into the settings record.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "files/file_access.h"
#include "files/ini_key_table.h"
#include "files/ini_settings.h"
#include "platform/regular_file.h"
#include "platform/trace.h"

namespace tamsel {

namespace {

constexpr const char* kRoutine = "CTamselDlg::LoadINIFile";

// More non-empty lines than this make the load report false.
constexpr unsigned kMaxIniLines = 20;

// Characters of one line kept for parsing; the rest of a longer line is
// dropped, which bounds memory for any input. Text values are cut to 254
// characters anyway.
constexpr std::size_t kMaxKeptLineLength = std::size_t{64} * 1024;

constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string_view::npos) {
    return {};
  }
  const std::size_t last = text.find_last_not_of(kWhiteSpace);
  return text.substr(first, last - first + 1);
}

struct IniLine {
  std::string_view key;
  std::string_view value;
};

// Key before the first "=", value after it cut before its first "/", both trimmed.
IniLine SplitIniLine(std::string_view line) {
  const std::size_t equals = line.find('=');
  std::string_view key = line.substr(0, equals);
  std::string_view value = equals == std::string_view::npos ? std::string_view{} : line.substr(equals + 1);
  value = value.substr(0, value.find('/'));
  return {Trim(key), Trim(value)};
}

// Applies one non-empty line; false when its key is not in the table.
bool ApplyIniLine(std::string_view line, IniSettings& ini, VersionRestriction& restriction) {
  const IniLine parts = SplitIniLine(line);
  const IniKey* key = FindIniKey(parts.key);
  if (key == nullptr) {
    return false;
  }
  const std::string value(parts.value);
  switch (key->kind) {
    case IniKeyKind::kIgnored:
    case IniKeyKind::kTitle:
      break;
    case IniKeyKind::kText:
      SetFixedText(ini.*key->text, value);
      break;
    case IniKeyKind::kNumber:
      *IniKeyFlag(ini, *key) = ParseIniNumber(value);
      break;
    case IniKeyKind::kRestrictionSwitch: {
      const uint8_t number = ParseIniNumber(value);
      ini.ucEnArgs = number;
      restriction.m_bLimitFWVer = number;
      TRACE_MSG(kRoutine, "m_bLimitFWVer:[%d] m_pINI.ucEnArgs:[%d], strItemValue=[%s]", number, number,
                value.c_str());
      break;
    }
    case IniKeyKind::kRestrictionVersion:
      SetFixedText(ini.ucArgs, value);
      TRACE_MSG(kRoutine, "m_pINI.ucArgs:[%s] strItemValue:[%s]", ini.ucArgs.data(), value.c_str());
      restriction.strLimitFWVer = FixedTextString(ini.ucArgs);
      TRACE_ERR(kRoutine, "strLimitFWVer:[%s]", restriction.strLimitFWVer.c_str());
      break;
  }
  return true;
}

// Splits a byte stream into lines at LF, dropping the CR of a CR LF.
class IniLineSplitter {
 public:
  IniLineSplitter(IniSettings& ini, VersionRestriction& restriction) : ini_(ini), restriction_(restriction) {}

  void Feed(const char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      if (bytes[i] == '\n') {
        EndLine();
      } else if (line_.size() < kMaxKeptLineLength) {
        line_.push_back(bytes[i]);
      }
    }
  }

  void Finish() {
    if (!line_.empty()) {
      EndLine();
    }
  }

  unsigned lineCount() const { return lineCount_; }
  bool allRecognised() const { return allRecognised_; }

 private:
  void EndLine() {
    if (!line_.empty() && line_.back() == '\r') {
      line_.pop_back();
    }
    if (!line_.empty()) {
      if (!ApplyIniLine(line_, ini_, restriction_)) {
        allRecognised_ = false;
      }
      if (lineCount_ < ~0u) {
        ++lineCount_;
      }
    }
    line_.clear();
  }

  IniSettings& ini_;
  VersionRestriction& restriction_;
  std::string line_;
  unsigned lineCount_ = 0;
  bool allRecognised_ = true;
};

void TraceUnreadable(const std::string& path, int error) {
  TRACE_MSG(kRoutine, "LoadINIFile: strINIFilePath : %s , dwErrorCode %d", path.c_str(), error);
}

}  // namespace

uint8_t ParseIniNumber(std::string_view value) {
  std::size_t at = 0;
  bool negative = false;
  if (at < value.size() && (value[at] == '+' || value[at] == '-')) {
    negative = value[at] == '-';
    ++at;
  }
  // Arithmetic modulo 256 keeps exactly the low 8 bits of any length of digits.
  unsigned low = 0;
  for (; at < value.size() && value[at] >= '0' && value[at] <= '9'; ++at) {
    low = (low * 10u + static_cast<unsigned>(value[at] - '0')) & 0xFFu;
  }
  return static_cast<uint8_t>(negative ? (0x100u - low) & 0xFFu : low);
}

bool LoadINIFile(const std::string& strINIFilePath, IniSettings& ini, VersionRestriction& restriction) {
  ini = IniSettings{};
  if (!PathExists(strINIFilePath)) {
    TraceUnreadable(strINIFilePath, ENOENT);
    return false;
  }
  int openError = 0;
  RegularFile file = RegularFile::Open(strINIFilePath, RegularFileMode::kRead, openError);
  if (!file.isOpen()) {
    TraceUnreadable(strINIFilePath, openError);
    return false;
  }
  IniLineSplitter splitter(ini, restriction);
  uint8_t chunk[16384];
  std::size_t got = 0;
  int readError = 0;
  while (file.Read(chunk, sizeof chunk, got, readError) && got > 0) {
    splitter.Feed(reinterpret_cast<const char*>(chunk), got);
  }
  file.Close(openError);
  if (readError != 0) {
    ini = IniSettings{};
    TraceUnreadable(strINIFilePath, readError);
    return false;
  }
  splitter.Finish();
  const unsigned ucTotalINICountLine = splitter.lineCount();
  if (ucTotalINICountLine > kMaxIniLines) {
    TRACE_MSG(kRoutine, "LoadINIFile: strINIFilePath : %s ucTotalINICountLine : %u , dwErrorCode %d",
              strINIFilePath.c_str(), ucTotalINICountLine, errno);
    return false;
  }
  return splitter.allRecognised();
}

}  // namespace tamsel
