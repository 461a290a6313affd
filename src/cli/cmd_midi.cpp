// The MIDI output devices: devices lists them one a line as "NUMBER<TAB>DESCRIPTION",
// the built-in synth first.
#include <string>

#include "Environment.h"
#include "platform/midi/MidiBackends.h"
#include "play/MidiLib.h"

namespace tunora::cli {
namespace {

int Devices(const Args& a) {
  if (!a.positional.empty()) return Fail("devices takes no arguments\nusage: tunora-cli devices");
  MidiLib& lib = MidiLib::Application();
  InstallMidiBackends(lib, MidiBackendOptions{});
  const int count = lib.GetNumOutDevices();
  std::string out;
  for (int n = 0; n < count; ++n) {
    std::string description;
    if (!lib.GetMidiOutDescription(static_cast<unsigned>(n), description)) continue;
    out += std::to_string(n) + "\t" + description + "\n";
  }
  return WriteOut(out) ? 0 : Fail("cannot write the device list");
}

const Register kDevices({"devices", "devices", {}, {}, Devices});

}  // namespace
}  // namespace tunora::cli
