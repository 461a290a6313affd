// The playback option dialogs as the application runs them, and the caching of
// the instrument patches on the chosen MIDI device.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace tunora {

// The "Playback and MIDI Options" sheet, modal.
void ShowPlaybackOptions(QWidget* parent);
// The small "Playback Settings" dialog (device and melody instrument), modal.
void ShowPlaybackSettings(QWidget* parent);

// Caches the patches of the backing, melody and drone instruments on the chosen
// device; on failure calls beforeMessage (when set), shows "Cache MIDI Patches
// Failed!" and returns false. The caller checks the CachePatches setting.
bool CacheMidiPatches(QWidget* parent, const std::function<void()>& beforeMessage = {});

// After the playback settings were confirmed: saves them, sets the MIDI devices up
// again when the device or the SoundFont changed since before, and caches the
// patches when CachePatches is on. False when the settings could not be written.
bool ConfirmMidiSettings(QWidget* parent, const std::string& deviceBefore,
                         const std::string& soundFontBefore);

}  // namespace tunora
