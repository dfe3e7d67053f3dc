#pragma once
// Test support: machine.json text for simulated machines of controllers,
// written the way the machine file documents its keys.

#include <cstdio>
#include <string>
#include <vector>

namespace tamsel {

struct ControllerJson {
  std::string location = "03:00.0";
  std::string deviceId = "0x5844";
  std::string jedec = "EF 30 13";  // W25X40CL, 512 KiB
  std::string content;             // content file name; empty: "devN.bin"
  std::string faults;              // the body of "faults", e.g. "\"grant\": \"never\""
  int sizeKiB = 0;                 // 0: the chip table's size
};

// One controller per entry, plus a host bridge at 00:00.0.
inline std::string MachineJson(const std::vector<ControllerJson>& controllers) {
  std::string text = "{\n  \"controllers\": [\n";
  for (std::size_t i = 0; i < controllers.size(); ++i) {
    const ControllerJson& c = controllers[i];
    const std::string content = c.content.empty() ? "dev" + std::to_string(i) + ".bin" : c.content;
    text += "    { \"location\": \"" + c.location + "\", \"device_id\": \"" + c.deviceId +
            "\", \"vendor_id\": \"0x1E9C\",\n      \"flash\": { \"jedec\": \"" + c.jedec +
            "\", \"content\": \"" + content + "\"" +
            (c.sizeKiB > 0 ? ", \"size_kib\": " + std::to_string(c.sizeKiB) : std::string()) + " }";
    if (!c.faults.empty()) {
      text += ",\n      \"faults\": { " + c.faults + " }";
    }
    text += " }";
    text += i + 1 < controllers.size() ? ",\n" : "\n";
  }
  text +=
      "  ],\n  \"devices\": [ { \"location\": \"00:00.0\", \"vendor_id\": \"0x8086\", \"device_id\": "
      "\"0x1237\" } ]\n}\n";
  return text;
}

// Locations 03:00.0, 04:00.0, ... for n controllers.
inline std::vector<ControllerJson> ControllersAtBuses(std::size_t count) {
  std::vector<ControllerJson> controllers(count);
  for (std::size_t i = 0; i < count; ++i) {
    char location[32];
    std::snprintf(location, sizeof location, "%02zx:00.0", i + 3);
    controllers[i].location = location;
  }
  return controllers;
}

}  // namespace tamsel
