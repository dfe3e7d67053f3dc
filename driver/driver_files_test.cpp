// The built driver files, read with objdump -p, and the copies the program
// carries: native-subsystem PE drivers for i386 and x86-64 that import only
// from ntoskrnl.exe and HAL.dll, and the carried pair is the real back end's.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

#include "files/built_in_files.h"
#include "files/scratch_directory.h"

namespace tamsel {
namespace {

const std::string kDriverDir = TAMSEL_QORIO_DRIVER_DIR;

std::string Objdump(const std::string& path) {
  const std::string command = std::string(TAMSEL_OBJDUMP) + " -p '" + path + "' 2>&1";
  std::string text;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return text;
  char buffer[4096];
  std::size_t read = 0;
  while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, read);
  pclose(pipe);
  return text;
}

std::set<std::string> ImportedDlls(const std::string& report) {
  std::set<std::string> dlls;
  const std::regex line(R"(DLL Name: (\S+))");
  for (auto it = std::sregex_iterator(report.begin(), report.end(), line); it != std::sregex_iterator();
       ++it) {
    std::string name = (*it)[1];
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    dlls.insert(name);
  }
  return dlls;
}

struct DriverFile {
  const char* name;
  const char* format;
  bool realBackEnd;
};

TEST(DriverFiles, EveryBuildIsANativeRelocatableDriverImportingOnlyTheKernelAndHal) {
  const DriverFile files[] = {
      {"QorIo.sys", "pei-i386", true},
      {"QorIo64.sys", "pei-x86-64", true},
      {"QorIoTest.sys", "pei-i386", false},
  };
  for (const DriverFile& file : files) {
    const std::string report = Objdump(kDriverDir + "/" + file.name);
    EXPECT_NE(report.find(std::string("file format ") + file.format), std::string::npos)
        << file.name << report;
    EXPECT_TRUE(std::regex_search(report, std::regex(R"(Subsystem\s+00000001\s+\(NT native\))")))
        << file.name;
    EXPECT_FALSE(std::regex_search(report, std::regex(R"(AddressOfEntryPoint\s+0+\n)"))) << file.name;
    EXPECT_NE(report.find("PE File Base Relocations"), std::string::npos) << file.name << ": not relocatable";
    const std::set<std::string> dlls = ImportedDlls(report);
    EXPECT_TRUE(dlls.count("ntoskrnl.exe")) << file.name;
    for (const std::string& dll : dlls) {
      EXPECT_TRUE(dll == "ntoskrnl.exe" || dll == "hal.dll") << file.name << " imports " << dll;
    }
    const bool mapsMemory = std::regex_search(report, std::regex(R"(\bMmMapIoSpace\b)"));
    EXPECT_EQ(mapsMemory, file.realBackEnd) << file.name;
  }
}

TEST(DriverFiles, TheProgramCarriesTheRealBackEndBuilds) {
  ScratchDirectory dir;
  std::string imageName;
  ASSERT_TRUE(vExtractResourceFiles(BuiltInEmbeddedFiles(), dir.dir(), imageName));
  for (const char* name : {"QorIo.sys", "QorIo64.sys"}) {
    EXPECT_EQ(dir.Read(name), ScratchDirectory::ReadFile(kDriverDir + "/" + name)) << name;
  }
  EXPECT_NE(dir.Read("QorIo.sys"), ScratchDirectory::ReadFile(kDriverDir + "/QorIoTest.sys"));
}

}  // namespace
}  // namespace tamsel
