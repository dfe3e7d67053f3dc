#pragma once
// The program state the main dialog owns and hands to the inventory, the run
// and start-up: the device table, the settings, the firmware file, the
// version restriction, the option flags, the start-up directory, how the
// work ended and the machine's instance lock.

#include <memory>
#include <string>

#include "files/embedded_files.h"
#include "files/firmware_check.h"
#include "files/ini_settings.h"
#include "hw/device_table.h"
#include "platform/instance_lock.h"
#include "platform/local_clock.h"

namespace tamsel {

// Option flags of the command line; all start false, the strings empty.
struct ProgramOptions {
  bool m_bCmdMode = false;      // /CMD: console engine, standard streams
  bool m_bSilent = false;       // /S: no window, no busy notice
  bool m_bOutputFWVer = false;  // /O: version report instead of a run
  bool m_bCheckFWVer = false;   // /C: recognised, not acted on
  std::string m_strCheckFWVer;
  bool m_bDisablePM = false;  // /P: recognised, not acted on
  bool m_bAutoMode = false;   // /A: always present
};

// How the program ended its work on the machine, as the exit code reports
// it: the verdict a run wrote or tried to write, or the operator's accept.
enum class RunEnding {
  kUndecided,  // nothing decided (the program ended some other way)
  kPassed,     // an automatic run with at least one passing device
  kFailed,     // a "Fail" verdict, whether or not result.log could be written
  kAccepted,   // the operator closed the dialog with OK
};

struct ProductionState {
  DeviceTable devices;
  IniSettings m_pINI;
  VersionRestriction restriction;  // m_bLimitFWVer and strLimitFWVer
  FirmwareFile firmware;           // the loaded image and iCheckFwStatus
  ProgramOptions options;
  std::string m_szStartDir;
  EmbeddedTable carriedFiles;                                   // written out at start-up, removed at the end
  CarriedImageKind carriedImage = CarriedImageKind::kFirmware;  // what the carried image is
  std::string m_strFWBinFile;                                   // the carried image's file name
  LocalClock* clock = &SystemLocalClock();                      // date and time of the records
  RunEnding ending = RunEnding::kUndecided;                     // how the run ended: the exit code's source
  std::unique_ptr<InstanceLock> instanceLock;                   // this machine's, held to the end
};

// The overall pass flag: 0 at program start, set to 1 only by an automatic
// run that ends with at least one pass; never cleared.
extern int g_iOverallPass;

}  // namespace tamsel
