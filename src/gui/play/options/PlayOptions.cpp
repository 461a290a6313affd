#include "gui/play/options/PlayOptions.h"

#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/play/options/COptPlaySheet.h"
#include "gui/play/options/CPlaySettingsDlg.h"
#include "play/MidiLib.h"

namespace tunora {

void ShowPlaybackOptions(QWidget* parent) {
  COptPlaySheet sheet(parent);
  sheet.exec();
}

void ShowPlaybackSettings(QWidget* parent) {
  CPlaySettingsDlg dialog(parent);
  dialog.exec();
}

bool CacheMidiPatches(QWidget* parent, const std::function<void()>& beforeMessage) {
  CTunoraApp* app = CTunoraApp::Instance();
  if (!app) return false;
  const MidiSettings& m = app->GetSettings().midi;
  const MidiPatchSet patches =
      MakePatchSet(m.backingInstrument, m.backingChannel, m.melodyInstrument, m.melodyChannel,
                   m.droneInstrument, m.droneChannel);
  if (MidiLib::Application().CachePatches(app->MidiDevice(), patches)) return true;
  if (beforeMessage) beforeMessage();
  MessageWarning(parent, QStringLiteral("Cache MIDI Patches Failed!"));
  return false;
}

bool ConfirmMidiSettings(QWidget* parent, const std::string& deviceBefore,
                         const std::string& soundFontBefore) {
  CTunoraApp* app = CTunoraApp::Instance();
  if (!app) return false;
  const bool saved = app->SaveSettings();
  const MidiSettings& m = app->GetSettings().midi;
  if (m.device != deviceBefore || m.soundFont != soundFontBefore) app->SetUpMidi();
  if (m.cachePatches) CacheMidiPatches(parent);
  return saved;
}

}  // namespace tunora
