#include "sim/machine_description.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <functional>
#include <set>

#include "platform/ascii_text.h"
#include "sim/json_value.h"

namespace tamsel::sim {

namespace {

// Every wait of the program polls a register: a configuration read (two port
// requests) and a memory read. Below this cost per request a poll would see
// (almost) no virtual time pass and a time-out would spin for ever.
constexpr uint32_t kMinimumPollLatencyNs = 100;
constexpr uint32_t kMaxStallMs = 3'600'000;  // an hour of virtual time

// A content file is a plain file name inside the machine directory: nothing
// that leads out of it or names the machine file itself.
std::string ContentNameFault(const std::string& name) {
  if (name.empty()) return "must not be empty";
  if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
    return "holds a control character; it must be a plain file name in the machine directory";
  }
  if (name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos) {
    return "\"" + name + "\" is not a plain file name in the machine directory (no \"/\", no \"..\")";
  }
  if (EqualIgnoringCase(name, "machine.json")) return "must not name the machine file itself";
  return {};
}

// The fault as one printable line: keys and values are echoed in faults, and
// a JSON escape may have put a line end or other control character in them.
std::string OneLine(const std::string& text) {
  std::string line;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x20) {
      line += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
      line += escaped;
    }
  }
  return line;
}

// Reports the first fault with the line and the key path of the value.
class DescriptionReader {
 public:
  explicit DescriptionReader(std::string& fault) : fault_(fault) {}

  bool Fail(const JsonValue& value, const std::string& path, const std::string& what) {
    fault_ = OneLine("line " + std::to_string(value.line) + ": " + path + " " + what);
    return false;
  }

  bool Number(const JsonValue& value, const std::string& path, uint64_t max, uint64_t& out) {
    if (value.kind == JsonValue::Kind::kNumber) {
      out = value.number;
    } else if (value.kind == JsonValue::Kind::kString && !ParseHex(value.text, out)) {
      return Fail(value, path, "\"" + value.text + "\" is not a number (decimal or \"0x..\")");
    } else if (value.kind != JsonValue::Kind::kString) {
      return Fail(value, path, "must be a number");
    }
    if (out > max) return Fail(value, path, "is out of range (at most " + std::to_string(max) + ")");
    return true;
  }

  template <typename T>
  bool Unsigned(const JsonValue& value, const std::string& path, uint64_t max, T& out) {
    uint64_t number = 0;
    if (!Number(value, path, max, number)) return false;
    out = static_cast<T>(number);
    return true;
  }

  bool Bool(const JsonValue& value, const std::string& path, bool& out) {
    if (value.kind != JsonValue::Kind::kBool) return Fail(value, path, "must be true or false");
    out = value.boolean;
    return true;
  }

  bool Text(const JsonValue& value, const std::string& path, std::string& out) {
    if (value.kind != JsonValue::Kind::kString) return Fail(value, path, "must be a string");
    out = value.text;
    return true;
  }

  template <std::size_t N>
  bool Bytes(const JsonValue& value, const std::string& path, std::array<uint8_t, N>& out) {
    std::string text;
    if (!Text(value, path, text)) return false;
    std::size_t count = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
      if (text[pos] == ' ') {
        ++pos;
        continue;
      }
      unsigned byte = 0;
      const auto result = std::from_chars(text.data() + pos, text.data() + text.size(), byte, 16);
      const std::size_t digits = static_cast<std::size_t>(result.ptr - (text.data() + pos));
      if (result.ec != std::errc() || digits != 2 || count == N) break;
      out[count++] = static_cast<uint8_t>(byte);
      pos += digits;
    }
    if (count != N || pos < text.size()) {
      return Fail(value, path,
                  "\"" + text + "\" is not " + std::to_string(N) + " hex bytes like \"EF 30 13\"");
    }
    return true;
  }

  bool Location(const JsonValue& value, const std::string& path, PciLocation& out) {
    std::string text;
    if (!Text(value, path, text)) return false;
    unsigned bus = 0, device = 0, function = 0;
    char tail = 0;
    const bool shaped = IsLocationText(text) &&
                        std::sscanf(text.c_str(), "%2x:%2x.%1x%c", &bus, &device, &function, &tail) == 3;
    if (!shaped)
      return Fail(value, path, "\"" + text + "\" is not bus:device.function in hex like \"03:00.0\"");
    if (bus > 0xFF || device > 0x1F || function > 7) {
      return Fail(value, path, "\"" + text + "\" is out of range (bus 00-ff, device 00-1f, function 0-7)");
    }
    out = {static_cast<uint8_t>(bus), static_cast<uint8_t>(device), static_cast<uint8_t>(function)};
    return true;
  }

  // Calls `handle` for each member; unknown keys are faults, so typos show.
  bool Members(const JsonValue& object, const std::string& path, const std::set<std::string>& known,
               const std::function<bool(const std::string&, const JsonValue&, const std::string&)>& handle) {
    if (object.kind != JsonValue::Kind::kObject) return Fail(object, path, "must be an object");
    for (const auto& [key, value] : object.members) {
      const std::string keyPath = path.empty() ? key : std::string(path).append(".").append(key);
      if (known.count(key) == 0) return Fail(value, keyPath, "is not a known key");
      if (!handle(key, value, keyPath)) return false;
    }
    return true;
  }

 private:
  static bool ParseHex(const std::string& text, uint64_t& out) {
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return false;
    const auto result = std::from_chars(text.data() + 2, text.data() + text.size(), out, 16);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
  }

  static bool IsLocationText(const std::string& text) {
    const std::size_t colon = text.find(':');
    const std::size_t dot = text.find('.');
    if (colon == std::string::npos || dot == std::string::npos || dot < colon) return false;
    if (colon == 0 || colon > 2 || dot - colon - 1 == 0 || dot - colon - 1 > 2 ||
        text.size() - dot - 1 != 1) {
      return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (i != colon && i != dot && !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    }
    return true;
  }

  std::string& fault_;
};

bool ReadFlash(DescriptionReader& r, const JsonValue& object, const std::string& path,
               FlashChipDescription& flash) {
  return r.Members(object, path, {"jedec", "signature", "size_kib", "content", "protected"},
                   [&](const std::string& key, const JsonValue& v, const std::string& p) {
                     if (key == "jedec") return r.Bytes(v, p, flash.jedec);
                     if (key == "signature") {
                       std::array<uint8_t, 3> signature{};
                       if (!r.Bytes(v, p, signature)) return false;
                       flash.signature = signature;
                       return true;
                     }
                     if (key == "size_kib") {
                       uint32_t size = 0;
                       if (!r.Unsigned(v, p, 65536, size)) return false;
                       if (size == 0) return r.Fail(v, p, "must not be 0");
                       flash.sizeKiB = size;
                       return true;
                     }
                     if (key == "content") {
                       if (!r.Text(v, p, flash.content)) return false;
                       const std::string fault = ContentNameFault(flash.content);
                       return fault.empty() || r.Fail(v, p, fault);
                     }
                     return r.Bool(v, p, flash.protectedAtPowerOn);
                   });
}

// "stall": { "after": N, "ms": T }, both at least 1.
bool ReadStall(DescriptionReader& r, const JsonValue& object, const std::string& path,
               ControllerDescription& controller) {
  const bool ok = r.Members(object, path, {"after", "ms"},
                            [&](const std::string& key, const JsonValue& v, const std::string& p) {
                              uint32_t& field = key == "after" ? controller.stallAfter : controller.stallMs;
                              if (!r.Unsigned(v, p, key == "after" ? 0xFFFFFFFFu : kMaxStallMs, field))
                                return false;
                              return field != 0 || r.Fail(v, p, "must not be 0");
                            });
  if (!ok) return false;
  if (controller.stallAfter == 0 || controller.stallMs == 0) {
    return r.Fail(object, path, "needs both \"after\" and \"ms\"");
  }
  return true;
}

bool ReadFaults(DescriptionReader& r, const JsonValue& object, const std::string& path,
                ControllerDescription& controller) {
  return r.Members(object, path,
                   {"grant", "program_fails", "stuck", "busy", "d3_after", "vanish_after", "stall"},
                   [&](const std::string& key, const JsonValue& v, const std::string& p) {
                     if (key == "grant") {
                       if (v.kind == JsonValue::Kind::kString && v.text == "never") {
                         controller.grantNever = true;
                         return true;
                       }
                       return r.Unsigned(v, p, 0xFFFFFFFFu, controller.grantPolls);
                     }
                     if (key == "program_fails") return r.Bool(v, p, controller.flash.programFails);
                     if (key == "busy") return r.Bool(v, p, controller.busy);
                     if (key == "d3_after") return r.Unsigned(v, p, 0xFFFFFFFFu, controller.d3After);
                     if (key == "vanish_after") return r.Unsigned(v, p, 0xFFFFFFFFu, controller.vanishAfter);
                     if (key == "stall") return ReadStall(r, v, p, controller);
                     if (v.kind != JsonValue::Kind::kArray)
                       return r.Fail(v, p, "must be a list of addresses");
                     for (std::size_t i = 0; i < v.items.size(); ++i) {
                       uint32_t address = 0;
                       if (!r.Unsigned(v.items[i], p + "[" + std::to_string(i) + "]", 0xFFFFFFFFu, address))
                         return false;
                       controller.flash.stuckAddresses.push_back(address);
                     }
                     return true;
                   });
}

bool ReadController(DescriptionReader& r, const JsonValue& object, const std::string& path,
                    ControllerDescription& c) {
  bool hasLocation = false;
  const bool ok = r.Members(object, path,
                            {"location", "device_id", "vendor_id", "fw_version", "flash", "faults",
                             "multifunction", "bar0", "power_management", "power_state"},
                            [&](const std::string& key, const JsonValue& v, const std::string& p) {
                              if (key == "location") return hasLocation = r.Location(v, p, c.location);
                              if (key == "device_id") return r.Unsigned(v, p, 0xFFFF, c.deviceId);
                              if (key == "vendor_id") return r.Unsigned(v, p, 0xFFFF, c.vendorId);
                              if (key == "fw_version") {
                                std::array<uint8_t, 8> version{};
                                if (!r.Bytes(v, p, version)) return false;
                                c.fwVersion = version;
                                return true;
                              }
                              if (key == "flash") return ReadFlash(r, v, p, c.flash);
                              if (key == "faults") return ReadFaults(r, v, p, c);
                              if (key == "multifunction") return r.Bool(v, p, c.multifunction);
                              if (key == "bar0") {
                                uint32_t bar0 = 0;
                                if (!r.Unsigned(v, p, 0xFFFFFFFFu, bar0)) return false;
                                c.bar0 = bar0;
                                return true;
                              }
                              if (key == "power_management") return r.Bool(v, p, c.powerManagement);
                              return r.Unsigned(v, p, 3, c.powerState);
                            });
  if (!ok) return false;
  if (!hasLocation) return r.Fail(object, path, "has no \"location\"");
  return true;
}

bool ReadDevice(DescriptionReader& r, const JsonValue& object, const std::string& path,
                DeviceDescription& d) {
  bool hasLocation = false;
  bool hasVendor = false;
  const bool ok = r.Members(object, path, {"location", "vendor_id", "device_id", "multifunction"},
                            [&](const std::string& key, const JsonValue& v, const std::string& p) {
                              if (key == "location") return hasLocation = r.Location(v, p, d.location);
                              if (key == "vendor_id") return hasVendor = r.Unsigned(v, p, 0xFFFF, d.vendorId);
                              if (key == "device_id") return r.Unsigned(v, p, 0xFFFF, d.deviceId);
                              return r.Bool(v, p, d.multifunction);
                            });
  if (!ok) return false;
  if (!hasLocation) return r.Fail(object, path, "has no \"location\"");
  if (!hasVendor) return r.Fail(object, path, "has no \"vendor_id\"");
  return true;
}

bool ReadLatency(DescriptionReader& r, const JsonValue& object, LatencyModel& latency) {
  return r.Members(
      object, "latency", {"port_ns", "memory_read_ns", "memory_write_ns", "map_ns", "spi_byte_ns"},
      [&](const std::string& key, const JsonValue& v, const std::string& p) {
        uint32_t* field = key == "port_ns"           ? &latency.portAccessNs
                          : key == "memory_read_ns"  ? &latency.memoryReadNs
                          : key == "memory_write_ns" ? &latency.memoryWriteNs
                          : key == "map_ns"          ? &latency.mapNs
                                                     : &latency.spiByteNs;
        if (!r.Unsigned(v, p, 1'000'000'000u, *field)) return false;
        const bool polled = key == "port_ns" || key == "memory_read_ns";
        if (polled && *field < kMinimumPollLatencyNs) {
          return r.Fail(v, p,
                        "is " + std::to_string(*field) + ", below " + std::to_string(kMinimumPollLatencyNs) +
                            ": every wait polls registers, and a poll that takes no time "
                            "would stop the virtual clock");
        }
        return true;
      });
}

template <typename Entry, typename ReadEntry>
bool ReadList(DescriptionReader& r, const JsonValue& list, const std::string& name, std::vector<Entry>& out,
              ReadEntry read) {
  if (list.kind != JsonValue::Kind::kArray) return r.Fail(list, name, "must be a list");
  for (std::size_t i = 0; i < list.items.size(); ++i) {
    Entry entry;
    if (!read(r, list.items[i], name + "[" + std::to_string(i) + "]", entry)) return false;
    out.push_back(std::move(entry));
  }
  return true;
}

bool CheckDistinctLocations(DescriptionReader& r, const JsonValue& root,
                            const MachineDescription& description) {
  std::set<uint16_t> seen;
  std::vector<PciLocation> all;
  for (const auto& c : description.controllers) all.push_back(c.location);
  for (const auto& d : description.devices) all.push_back(d.location);
  for (const PciLocation& location : all) {
    if (!seen.insert(location.Key()).second) {
      return r.Fail(root, "location", FormatLocation(location) + " is given to two functions");
    }
  }
  std::set<std::string> contents;
  for (const auto& c : description.controllers) {
    if (!contents.insert(c.flash.content).second) {
      return r.Fail(root, "content", "\"" + c.flash.content + "\" is used by two controllers");
    }
  }
  return true;
}

}  // namespace

std::string FormatLocation(const PciLocation& location) {
  char text[16];
  std::snprintf(text, sizeof text, "%02x:%02x.%x", location.bus, location.device, location.function);
  return text;
}

bool ParseMachineDescription(std::string_view text, MachineDescription& description, std::string& fault) {
  JsonValue root;
  std::string jsonFault;
  if (!ParseJson(text, root, jsonFault)) {
    fault = OneLine("not valid JSON: " + jsonFault);
    return false;
  }
  description = MachineDescription{};
  DescriptionReader r(fault);
  const bool ok = r.Members(root, "", {"controllers", "devices", "latency", "system_64bit"},
                            [&](const std::string& key, const JsonValue& v, const std::string& p) {
                              if (key == "controllers")
                                return ReadList(r, v, p, description.controllers, ReadController);
                              if (key == "devices") return ReadList(r, v, p, description.devices, ReadDevice);
                              if (key == "latency") return ReadLatency(r, v, description.latency);
                              return r.Bool(v, p, description.system64Bit);
                            });
  if (!ok) return false;
  for (ControllerDescription& c : description.controllers) {
    if (c.flash.content.empty()) {
      char name[32];
      std::snprintf(name, sizeof name, "flash-%02x-%02x-%x.bin", c.location.bus, c.location.device,
                    c.location.function);
      c.flash.content = name;
    }
  }
  return CheckDistinctLocations(r, root, description);
}

std::string DefaultMachineJson() {
  return R"({
  "controllers": [
    { "location": "03:00.0", "device_id": "0x5844", "vendor_id": "0x1E9C",
      "flash": { "jedec": "EF 30 13", "signature": "12 12 12", "size_kib": 512,
                 "content": "dev0.bin", "protected": false } },
    { "location": "04:00.0", "device_id": "0x5844", "vendor_id": "0x1E9C",
      "flash": { "jedec": "EF 30 13", "signature": "12 12 12", "size_kib": 512,
                 "content": "dev1.bin", "protected": false } }
  ],
  "devices": [
    { "location": "00:00.0", "vendor_id": "0x8086", "device_id": "0x1237" },
    { "location": "00:1f.0", "vendor_id": "0x8086", "device_id": "0x2918", "multifunction": true },
    { "location": "00:1f.2", "vendor_id": "0x8086", "device_id": "0x2922" },
    { "location": "00:1f.3", "vendor_id": "0x8086", "device_id": "0x2930" }
  ]
}
)";
}

}  // namespace tamsel::sim
