// The output devices of the MIDI library on Linux: the built-in synth (FluidSynth with
// a General MIDI SoundFont) as device 0, then every ALSA sequencer output port; and a
// WAV file renderer through the built-in synth.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "play/MidiLib.h"

namespace tunora {

inline constexpr int kWavSampleRate = 44100;

struct MidiBackendOptions {
  // The SoundFont setting (.sf2 or .sf3); "" takes the General MIDI SoundFont installed.
  std::string soundFont;
  // "" tries PipeWire, PulseAudio and ALSA in this order; any other names one
  // FluidSynth audio driver, "file" writing audioFile as the music plays.
  std::string audioDriver;
  std::string audioFile;
};

// Sets the devices of lib (the built-in synth first, then the ALSA output ports found
// each time the devices are listed) and raises the priority of its timer threads.
void InstallMidiBackends(MidiLib& lib, const MidiBackendOptions& options);

// With realtime, gives the calling thread a real-time priority (below the audio
// threads') where the system allows it; without, the normal one. False when the
// priority stays as it was.
bool SetTimerPriority(bool realtime);

// The SoundFont the built-in synth loads: the one chosen when given, else FluidR3_GM,
// else TimGM6mb, else the system's default General MIDI SoundFont. False with the
// reason when there is none that can be read.
bool FindSoundFont(const std::string& chosen, std::string& path, std::string& error);

std::shared_ptr<MidiPort> MakeBuiltInSynthPort(const MidiBackendOptions& options);

// Renders through the built-in synth into a 44.1 kHz 16-bit stereo WAV file, as fast as
// the machine allows: the file's length is the music's, plus tailSeconds of the sound
// dying away.
std::shared_ptr<MidiPort> MakeWavRenderer(const std::string& path,
                                          const MidiBackendOptions& options,
                                          double tailSeconds = 0);

// The ALSA sequencer ports that take MIDI, described as "CLIENT:PORT NAME"; none when
// there is no sequencer.
std::vector<std::shared_ptr<MidiPort>> ListAlsaOutputPorts();

}  // namespace tunora
