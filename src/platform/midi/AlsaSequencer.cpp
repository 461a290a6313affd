// ALSA sequencer output ports: hardware synths and other programs that take MIDI.
#include <alsa/asoundlib.h>

#include <mutex>

#include "platform/midi/MidiBackends.h"

namespace tunora {

namespace {

// The sequencer's own complaints (no /dev/snd/seq, a port gone) become our messages.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

void InstallQuietAlsa() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(QuietAlsa); });
}

class AlsaOutput : public MidiDevice {
 public:
  AlsaOutput(snd_seq_t* seq, int port) : seq_(seq), port_(port) {}
  ~AlsaOutput() override { snd_seq_close(seq_); }

  void Send(uint8_t status, uint8_t data1, uint8_t data2) override {
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    snd_seq_ev_set_source(&ev, port_);
    snd_seq_ev_set_subs(&ev);
    snd_seq_ev_set_direct(&ev);
    const int channel = status & 0x0F;
    switch (status & 0xF0) {
      case 0x80: snd_seq_ev_set_noteoff(&ev, channel, data1, data2); break;
      case 0x90: snd_seq_ev_set_noteon(&ev, channel, data1, data2); break;
      case 0xA0: snd_seq_ev_set_keypress(&ev, channel, data1, data2); break;
      case 0xB0: snd_seq_ev_set_controller(&ev, channel, data1, data2); break;
      case 0xC0: snd_seq_ev_set_pgmchange(&ev, channel, data1); break;
      case 0xD0: snd_seq_ev_set_chanpress(&ev, channel, data1); break;
      case 0xE0: snd_seq_ev_set_pitchbend(&ev, channel, (data1 | (data2 << 7)) - 8192); break;
      default: return;
    }
    snd_seq_event_output_direct(seq_, &ev);
  }

  // All notes off and the controllers reset on every channel.
  void Reset() override {
    for (uint8_t channel = 0; channel < 16; ++channel) {
      Send(static_cast<uint8_t>(0xB0 | channel), 123, 0);
      Send(static_cast<uint8_t>(0xB0 | channel), 121, 0);
    }
  }

 private:
  snd_seq_t* seq_;
  int port_;
};

class AlsaPort : public MidiPort {
 public:
  AlsaPort(int client, int port, std::string name)
      : client_(client), port_(port), name_(std::move(name)) {}

  std::string Description() const override {
    return std::to_string(client_) + ":" + std::to_string(port_) + " " + name_;
  }

  std::unique_ptr<MidiDevice> Open(std::string& error) override {
    InstallQuietAlsa();
    snd_seq_t* seq = nullptr;
    int err = snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0);
    if (err < 0) {
      error = std::string("The ALSA sequencer cannot be opened: ") + snd_strerror(err) + ".";
      return nullptr;
    }
    snd_seq_set_client_name(seq, "Tunora");
    const int own = snd_seq_create_simple_port(
        seq, "Tunora output", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    err = own < 0 ? own : snd_seq_connect_to(seq, own, client_, port_);
    if (err < 0) {
      snd_seq_close(seq);
      error = "The ALSA port " + Description() + " cannot be opened: " + snd_strerror(err) + ".";
      return nullptr;
    }
    return std::make_unique<AlsaOutput>(seq, own);
  }

  // The port holds its own patches: it is enough that it opens.
  bool CachePatches(const MidiPatchSet&, std::string& error) override {
    return Open(error) != nullptr;
  }

 private:
  int client_;
  int port_;
  std::string name_;
};

}  // namespace

std::vector<std::shared_ptr<MidiPort>> ListAlsaOutputPorts() {
  InstallQuietAlsa();
  std::vector<std::shared_ptr<MidiPort>> ports;
  snd_seq_t* seq = nullptr;
  if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) return ports;
  snd_seq_client_info_t* client = nullptr;
  snd_seq_port_info_t* port = nullptr;
  if (snd_seq_client_info_malloc(&client) == 0 && snd_seq_port_info_malloc(&port) == 0) {
    const int self = snd_seq_client_id(seq);
    constexpr unsigned kWanted = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq, client) >= 0) {
      const int id = snd_seq_client_info_get_client(client);
      if (id == self || id == SND_SEQ_CLIENT_SYSTEM) continue;
      snd_seq_port_info_set_client(port, id);
      snd_seq_port_info_set_port(port, -1);
      while (snd_seq_query_next_port(seq, port) >= 0) {
        const unsigned caps = snd_seq_port_info_get_capability(port);
        if ((caps & kWanted) != kWanted || (caps & SND_SEQ_PORT_CAP_NO_EXPORT)) continue;
        const char* name = snd_seq_port_info_get_name(port);
        ports.push_back(
            std::make_shared<AlsaPort>(id, snd_seq_port_info_get_port(port), name ? name : ""));
      }
    }
  }
  if (port) snd_seq_port_info_free(port);
  if (client) snd_seq_client_info_free(client);
  snd_seq_close(seq);
  return ports;
}

}  // namespace tunora
