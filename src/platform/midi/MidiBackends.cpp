#include "platform/midi/MidiBackends.h"

#include <pthread.h>
#include <sched.h>

namespace tunora {

void InstallMidiBackends(MidiLib& lib, const MidiBackendOptions& options) {
  std::shared_ptr<MidiPort> synth = MakeBuiltInSynthPort(options);
  lib.SetDeviceLister([synth] {
    std::vector<std::shared_ptr<MidiPort>> devices{synth};
    for (std::shared_ptr<MidiPort>& port : ListAlsaOutputPorts())
      devices.push_back(std::move(port));
    return devices;
  });
  lib.SetTimerPriority([](bool realtime) { SetTimerPriority(realtime); });
}

bool SetTimerPriority(bool realtime) {
  sched_param param{};
  param.sched_priority = realtime ? 30 : 0;
  return pthread_setschedparam(pthread_self(), realtime ? SCHED_FIFO : SCHED_OTHER, &param) == 0;
}

}  // namespace tunora
