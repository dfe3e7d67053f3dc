#pragma once
// Test support: the end-to-end fixture. A working directory and a simulated
// machine directory made for each test, the built tamselwin started in them,
// and readers of the records it leaves.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/tamselwin_launch.h"
#include "files/scratch_directory.h"
#include "image/image_layout.h"
#include "imagegen/image_builder.h"
#include "run/test_machine_json.h"
#include "sim/machine_loader.h"

namespace tamsel {

inline const std::vector<std::string> kCarriedFiles = {"QorIo.sys", "QorIo64.sys", "584upd.ini",
                                                       "1300BC00.ROM", "devconAMD64.exe"};

inline std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

// A working directory and a machine directory.
class EndToEnd : public ::testing::Test {
 protected:
  void UseDefaultMachine() {
    std::string error;
    ASSERT_TRUE(sim::WriteDefaultMachine(machine.dir(), error)) << error;
  }
  void UseMachine(const std::vector<ControllerJson>& controllers) {
    machine.Write("machine.json", MachineJson(controllers));
  }
  TamselwinResult Run(std::vector<std::string> arguments = {}) {
    return RunTamselwin({work.dir(), machine.dir(), std::move(arguments)});
  }
  std::vector<uint8_t> Flash(std::size_t controller) {
    return Bytes(machine.Read("dev" + std::to_string(controller) + ".bin"));
  }
  std::vector<std::string> WorkFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(work.dir())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string DailyLog() {
    for (const std::string& name : WorkFiles()) {
      if (std::regex_match(name, std::regex(R"(\d{8}\.log)"))) {
        return work.Read(name);
      }
    }
    return {};
  }
  // The daily log's record lines without their date and time fields, which
  // are checked for their form.
  std::vector<std::string> LogRecords() {
    std::vector<std::string> records;
    std::istringstream lines(DailyLog());
    std::string line;
    std::getline(lines, line);  // header
    const std::regex stamp(R"(\d{8}\t\d\d:\d\d:\d\d\t)");
    while (std::getline(lines, line)) {
      std::smatch match;
      EXPECT_TRUE(std::regex_search(line, match, stamp) && match.position(0) == 0) << line;
      records.push_back(line.substr(static_cast<std::size_t>(match.length(0))));
    }
    return records;
  }
  // history.log's messages without their stamps, elapsed times written as N.
  std::vector<std::string> HistoryMessages() {
    std::vector<std::string> messages;
    std::istringstream lines(work.Read("history.log"));
    std::string line;
    while (std::getline(lines, line)) {
      EXPECT_TRUE(std::regex_search(line, std::regex(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d )"))) << line;
      messages.push_back(std::regex_replace(line.substr(20), std::regex(R"(\d+ ms)"), "N ms"));
    }
    return messages;
  }
  std::string Record(int index, const std::string& version, int bus, const std::string& outcome) {
    return std::to_string(index) + "\t" + version + "\t" + std::to_string(bus) + "\t0\t0\t1e9c\t5844\t" +
           work.Path("1300BC00.ROM") + "\tNone\t" + outcome + "\t" + outcome + "\tNone\r";
  }
  void ExpectNoCarriedFileLeft() {
    for (const std::string& name : kCarriedFiles) {
      EXPECT_FALSE(std::filesystem::exists(work.Path(name))) << name;
    }
  }

  ScratchDirectory work;
  ScratchDirectory machine;
};

// The default image with the chip's own CCT and FRT.
inline void ExpectUpdatedKeepingTables(const std::vector<uint8_t>& before,
                                       const std::vector<uint8_t>& after) {
  std::vector<uint8_t> expected = BuildImage();
  std::copy_n(before.begin() + kCustomerConfigTableOffset, kCustomerConfigTableSize,
              expected.begin() + kCustomerConfigTableOffset);
  std::copy_n(before.begin() + kFirmwareRecordTableOffset, kFirmwareRecordTableSize,
              expected.begin() + kFirmwareRecordTableOffset);
  ASSERT_GE(after.size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), after.begin()));
}

}  // namespace tamsel
