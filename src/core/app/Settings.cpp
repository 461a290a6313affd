#include "app/Settings.h"

#include "base/FileIO.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace tunora {

namespace fs = std::filesystem;

// --- History ------------------------------------------------------------------

void History::Add(std::string_view text) {
  if (text.empty()) return;
  auto same = std::find(entries_.begin(), entries_.end(), text);
  if (same != entries_.end()) entries_.erase(same);
  entries_.insert(entries_.begin(), std::string(text));
  if (entries_.size() > static_cast<size_t>(kSlots)) entries_.resize(kSlots);
}

const std::string& History::At(int index) const {
  static const std::string kEmpty;
  return index >= 0 && index < Count() ? entries_[index] : kEmpty;
}

// --- AbcFont and template text ------------------------------------------------------

void ParseAbcFont(std::string_view value, std::string& face, int& size) {
  constexpr std::string_view kFallbackFace = "MS Sans Serif";
  constexpr int kFallbackSize = 10;
  size_t comma = value.find(',');
  std::string_view name = value.substr(0, comma);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
  face = name.empty() ? std::string(kFallbackFace) : std::string(name);

  size = kFallbackSize;
  if (comma == std::string_view::npos) return;
  std::string_view rest = value.substr(comma + 1);
  size_t p = 0;
  while (p < rest.size() && (rest[p] == ' ' || rest[p] == '\t')) ++p;
  bool negative = false;
  if (p < rest.size() && (rest[p] == '+' || rest[p] == '-')) negative = rest[p++] == '-';
  int n = 0;
  bool digits = false;
  for (; p < rest.size() && rest[p] >= '0' && rest[p] <= '9' && n < 100000; ++p) {
    n = n * 10 + (rest[p] - '0');
    digits = true;
  }
  // A font needs a positive size; anything else falls back to the standard one.
  if (digits && !negative && n >= 1 && n <= 999) size = n;
}

std::string FormatAbcFont(const std::string& face, int size) {
  return face + "," + std::to_string(size);
}

std::string TemplateTextFromFile(std::string_view content) {
  std::string text;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t nl = content.find('\n', pos);
    size_t end = nl == std::string_view::npos ? content.size() : nl;
    std::string_view line = content.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    text += line;
    text += "\r\n";
    pos = nl == std::string_view::npos ? content.size() : nl + 1;
  }
  return text;
}

// --- The keys ---------------------------------------------------------------------

namespace {

// When a key is written: by SaveSettings, at exit, or never (read only).
enum class WriteWhen { kPreferences, kExit, kNever };

constexpr std::string_view kPreferences = "Preferences";
constexpr std::string_view kSearch = "Search";
constexpr std::string_view kMusicSearch = "MusicSearch";
constexpr std::string_view kFonts = "Fonts";
constexpr std::string_view kMidi = "Midi";
constexpr std::string_view kChordwise = "Chordwise";

// Calls v for every key in the order the settings are read. S is Settings or
// const Settings.
template <class S, class V>
void VisitKeys(S& s, V& v) {
  using W = WriteWhen;
  auto& p = s.preferences;
  v(kPreferences, "AbcDir", p.abcDir, W::kPreferences);
  v(kPreferences, "FieldOrder", p.fieldOrder, W::kPreferences);
  v(kPreferences, "FieldExpanded", p.fieldExpanded, W::kPreferences);
  v(kPreferences, "NextTip", p.nextTip, W::kExit);
  v(kPreferences, "LongFileLen", p.longFileLen, W::kPreferences);
  v(kPreferences, "SaveWindows", p.saveWindows, W::kPreferences);
  v(kPreferences, "RecentFileList", p.recentFileList, W::kPreferences);
  v(kPreferences, "ConvertTeX", p.convertTeX, W::kPreferences);
  v(kPreferences, "CvtTeXEsc", p.cvtTeXEsc, W::kPreferences);
  v(kPreferences, "NewFileCrLf", p.newFileCrLf, W::kNever);
  v(kPreferences, "LayoutFile", p.layoutFile, W::kPreferences);

  auto& f = s.search;
  v(kSearch, "ExactMatch", f.exactMatch, W::kPreferences);
  v(kSearch, "IgnoreCase", f.ignoreCase, W::kPreferences);
  v(kSearch, "Subdir", f.subdir, W::kPreferences);
  v(kSearch, "FromBeginning", f.fromBeginning, W::kPreferences);
  v(kSearch, "Field", f.field, W::kPreferences);
  v(kSearch, "FieldOrder", f.fieldOrder, W::kPreferences);
  v(kSearch, "LooseMatch", f.looseMatch, W::kPreferences);
  v(kSearch, "FindDefaultButton", f.findDefaultButton, W::kPreferences);
  v(kSearch, "FindPos", f.findPos, W::kPreferences);
  v(kSearch, "SearchType", f.searchType, W::kPreferences);
  v(kSearch, "ListFormat", f.listFormat, W::kNever);

  auto& m = s.musicSearch;
  v(kMusicSearch, "Subdir", m.subdir, W::kPreferences);
  v(kMusicSearch, "LooseMatch", m.looseMatch, W::kPreferences);
  v(kMusicSearch, "FromBeginning", m.fromBeginning, W::kPreferences);
  v(kMusicSearch, "IgnoreOrnamentation", m.ignoreOrnamentation, W::kPreferences);
  v(kMusicSearch, "Transpose36", m.transpose36, W::kPreferences);
  v(kMusicSearch, "Transpose45", m.transpose45, W::kPreferences);
  v(kMusicSearch, "Transpose8", m.transpose8, W::kPreferences);
  v(kMusicSearch, "TransposeMaj2", m.transposeMaj2, W::kPreferences);
  v(kMusicSearch, "TransposeMin2Aug4", m.transposeMin2Aug4, W::kPreferences);
  v(kMusicSearch, "Transpose8plus", m.transpose8plus, W::kPreferences);
  v(kMusicSearch, "Where", m.where, W::kPreferences);
  v(kMusicSearch, "ListFormat", m.listFormat, W::kNever);

  v.History("OldStrings", f.oldStrings);
  v.History("OldPhrases", f.oldPhrases);
  v.History("OldFiles", f.oldFiles);
  v.History("OldOut", f.oldOut);
  v.History("OldMatch", f.oldMatch);

  v(kPreferences, "EditTuneHeight", p.editTuneHeight, W::kPreferences);
  v(kPreferences, "EditTuneWidth", p.editTuneWidth, W::kPreferences);
  v(kPreferences, "TuneListHeight", p.tuneListHeight, W::kPreferences);
  v(kPreferences, "TuneListWidth", p.tuneListWidth, W::kPreferences);

  v.AbcFont(s.fonts.abcFontFace, s.fonts.abcFontSize);
  v.MusicalSymbols(s.fonts.musicalSymbols);

  v(kPreferences, "SaveTuneFileAlso", p.saveTuneFileAlso, W::kPreferences);
  v(kPreferences, "EdittitleFormat", p.edittitleFormat, W::kPreferences);
  v(kPreferences, "AskCut", p.askCut, W::kPreferences);
  v(kPreferences, "AskCutMulti", p.askCutMulti, W::kPreferences);
  v(kPreferences, "MultiColumn", p.multiColumn, W::kPreferences);
  v(kPreferences, "RawEditDefault", p.rawEditDefault, W::kPreferences);
  v(kPreferences, "TunelistFormat", p.tunelistFormat, W::kPreferences);
  v(kPreferences, "TunelistTabWidth", p.tunelistTabWidth, W::kPreferences);
  v(kPreferences, "PreftextFormat", p.preftextFormat, W::kPreferences);
  v(kPreferences, "DefaultLength", p.defaultLength, W::kPreferences);
  v(kPreferences, "DefaultTool", p.defaultTool, W::kPreferences);
  v(kPreferences, "PasteDDEOpen", p.pasteDDEOpen, W::kPreferences);
  v(kPreferences, "NoCheckAssociation", p.noCheckAssociation, W::kPreferences);

  auto& d = s.midi;
  v(kMidi, "Device", d.device, W::kPreferences);
  v(kMidi, "CachePatches", d.cachePatches, W::kPreferences);
  v(kMidi, "BackingInstrument", d.backingInstrument, W::kPreferences);
  v(kMidi, "DroneInstrument", d.droneInstrument, W::kPreferences);
  v(kMidi, "MelodyInstrument", d.melodyInstrument, W::kPreferences);
  v(kMidi, "BackingChannel", d.backingChannel, W::kPreferences);
  v(kMidi, "DroneChannel", d.droneChannel, W::kPreferences);
  v(kMidi, "MelodyChannel", d.melodyChannel, W::kPreferences);
  v(kMidi, "BackingOctave", d.backingOctave, W::kPreferences);
  v(kMidi, "DroneOctave", d.droneOctave, W::kPreferences);
  v(kMidi, "MelodyOctave", d.melodyOctave, W::kPreferences);
  v(kMidi, "SpeedPercent", d.speedPercent, W::kPreferences);
  for (int voice = MidiSettings::kFirstVoice; voice <= MidiSettings::kLastVoice; ++voice) {
    std::string key = "Voice" + std::to_string(voice) + "Channel";
    v(kMidi, key, d.voiceChannel[voice - MidiSettings::kFirstVoice], W::kPreferences);
  }
  v(kMidi, "PlayChords", d.playChords, W::kPreferences);
  v(kMidi, "CommonEqualsCut", d.commonEqualsCut, W::kPreferences);
  v(kMidi, "PlayGraces", d.playGraces, W::kPreferences);
  v(kMidi, "KeepDrone", d.keepDrone, W::kPreferences);
  v(kMidi, "KeyHpSpecial", d.keyHpSpecial, W::kPreferences);
  v(kMidi, "NoRepeats", d.noRepeats, W::kPreferences);
  v(kMidi, "PlaynowMinimize", d.playnowMinimize, W::kPreferences);
  v(kMidi, "WarnBarLen", d.warnBarLen, W::kPreferences);
  v(kMidi, "PlayPos", d.playPos, W::kPreferences);
  v(kMidi, "Delay", d.delay, W::kPreferences);
  v(kMidi, "GraceFraction", d.graceFraction, W::kPreferences);
  v(kMidi, "MultiGraceFraction", d.multiGraceFraction, W::kPreferences);
  v(kMidi, "PauseLen", d.pauseLen, W::kPreferences);
  v(kMidi, "Repeat", d.repeat, W::kPreferences);
  v(kMidi, "StaccatoLen", d.staccatoLen, W::kPreferences);
  v(kMidi, "Transpose", d.transpose, W::kPreferences);
  v(kMidi, "Drone", d.drone, W::kPreferences);
  v(kMidi, "VelDrone", d.velDrone, W::kPreferences);
  v(kMidi, "VelChordBeat", d.velChordBeat, W::kPreferences);
  v(kMidi, "VelChordOffbeat", d.velChordOffbeat, W::kPreferences);
  v(kMidi, "VelChordOther", d.velChordOther, W::kPreferences);
  v(kMidi, "VelNoteBeat", d.velNoteBeat, W::kPreferences);
  v(kMidi, "VelNoteOffbeat", d.velNoteOffbeat, W::kPreferences);
  v(kMidi, "VelNoteOther", d.velNoteOther, W::kPreferences);
  v(kMidi, "LoudPercent", d.loudPercent, W::kPreferences);
  v(kMidi, "SoundFont", d.soundFont, W::kPreferences);

  auto& c = s.chordwise;
  v(kChordwise, "BeatNote", c.beatNote, W::kPreferences);
  v(kChordwise, "NthBeatNote", c.nthBeatNote, W::kPreferences);
  v(kChordwise, "OffBeatNote", c.offBeatNote, W::kPreferences);
  v(kChordwise, "JumpNote", c.jumpNote, W::kPreferences);
  v(kChordwise, "OtherNote", c.otherNote, W::kPreferences);
  v(kChordwise, "ChordFifth", c.chordFifth, W::kPreferences);
  v(kChordwise, "ChordFirst", c.chordFirst, W::kPreferences);
  v(kChordwise, "ChordThird", c.chordThird, W::kPreferences);
  v(kChordwise, "StrangeInscale", c.strangeInscale, W::kPreferences);
  v(kChordwise, "StrangeNonscale", c.strangeNonscale, W::kPreferences);
  v(kChordwise, "SetChordBeatNote", c.setChordBeatNote, W::kPreferences);
  v(kChordwise, "SetChordNthBeatNote", c.setChordNthBeatNote, W::kPreferences);
  v(kChordwise, "SetChordOffBeatNote", c.setChordOffBeatNote, W::kPreferences);
  v(kChordwise, "SetChordOtherNote", c.setChordOtherNote, W::kPreferences);
  v(kChordwise, "SetChordFifth", c.setChordFifth, W::kPreferences);
  v(kChordwise, "SetChordFirst", c.setChordFirst, W::kPreferences);
  v(kChordwise, "SetChordThird", c.setChordThird, W::kPreferences);
  v(kChordwise, "WeightPossible", c.weightPossible, W::kPreferences);
  v(kChordwise, "ProgressByThird", c.progressByThird, W::kPreferences);
  v(kChordwise, "ProgressByFourthUp", c.progressByFourthUp, W::kPreferences);
  v(kChordwise, "ProgressByFifthUp", c.progressByFifthUp, W::kPreferences);
  v(kChordwise, "ProgressByMajorSecond", c.progressByMajorSecond, W::kPreferences);
  v(kChordwise, "ProgressByMinorSecond", c.progressByMinorSecond, W::kPreferences);
  v(kChordwise, "ProgressBySame", c.progressBySame, W::kPreferences);
}

// Reads each key, the member's current (default) value being the default.
struct Reader {
  const IniFile& ini;

  void operator()(std::string_view section, std::string_view key, int& value, WriteWhen) {
    value = ini.GetInt(section, key, value);
  }
  // An on/off key is on for any number but 0, as the check boxes have always read it.
  void operator()(std::string_view section, std::string_view key, bool& value, WriteWhen) {
    value = ini.GetInt(section, key, value ? 1 : 0) != 0;
  }
  void operator()(std::string_view section, std::string_view key, std::string& value, WriteWhen) {
    value = ini.GetString(section, key, value);
  }
  // The history keeps ten entries; the nine newest are stored under the keys
  // 1 to 9, newest first, and come back in the same order.
  void History(std::string_view prefix, tunora::History& history) {
    history.Clear();
    for (int i = tunora::History::kStored; i >= 1; --i) {
      history.Add(ini.GetString(kSearch, std::string(prefix) + std::to_string(i), ""));
    }
  }
  void AbcFont(std::string& face, int& size) {
    std::string value = ini.GetString(kFonts, "AbcFont", FormatAbcFont(face, size));
    ParseAbcFont(value, face, size);
  }
  // The map is indexed by symbol number, so a shorter stored map is completed
  // from the default and a longer one cut.
  void MusicalSymbols(std::string& map) {
    std::string stored = ini.GetString(kFonts, "MusicalSymbols", kDefaultMusicalSymbols);
    map = std::string(kDefaultMusicalSymbols);
    std::copy_n(stored.begin(), std::min<size_t>(stored.size(), map.size()), map.begin());
  }
};

// Writes the keys written at the given occasion.
struct Writer {
  IniFile& ini;
  WriteWhen when;

  void operator()(std::string_view section, std::string_view key, int value, WriteWhen w) {
    if (w == when) ini.WriteInt(section, key, value);
  }
  void operator()(std::string_view section, std::string_view key, bool value, WriteWhen w) {
    if (w == when) ini.WriteInt(section, key, value ? 1 : 0);
  }
  void operator()(std::string_view section, std::string_view key, const std::string& value,
                  WriteWhen w) {
    if (w == when) ini.WriteString(section, key, value);
  }
  void History(std::string_view prefix, const tunora::History& history) {
    if (when != WriteWhen::kExit) return;
    for (int i = 1; i <= tunora::History::kStored; ++i) {
      ini.WriteString(kSearch, std::string(prefix) + std::to_string(i), history.At(i - 1));
    }
  }
  void AbcFont(const std::string& face, int size) {
    if (when != WriteWhen::kPreferences) return;
    ini.WriteString(kFonts, "AbcFont", FormatAbcFont(face, size));
  }
  void MusicalSymbols(const std::string&) {}
};

}  // namespace

void ReadSettings(const IniFile& ini, Settings& s) {
  Settings fresh;
  Reader reader{ini};
  VisitKeys(fresh, reader);
  s.preferences = std::move(fresh.preferences);
  s.search = std::move(fresh.search);
  s.musicSearch = std::move(fresh.musicSearch);
  s.fonts = std::move(fresh.fonts);
  s.midi = std::move(fresh.midi);
  s.chordwise = std::move(fresh.chordwise);
  s.shortDatePattern = ini.GetString("Intl", "sShortDate", "");
  s.iniWarnings = ini.Warnings();
}

void WriteSettings(IniFile& ini, const Settings& s) {
  Writer writer{ini, WriteWhen::kPreferences};
  VisitKeys(s, writer);
}

void WriteExitSettings(IniFile& ini, const Settings& s) {
  Writer writer{ini, WriteWhen::kExit};
  VisitKeys(s, writer);
}

// --- Files ----------------------------------------------------------------------

bool LoadSettings(const std::string& programDir, Settings& s, MessageSink& sink,
                  const SettingsDataHooks& hooks) {
  bool ok = true;
  auto failed = [&](const std::string& path) {
    sink.Message("Error reading " + path);
    ok = false;
  };

  IniFile ini;
  std::string iniPath = programDir + std::string(kSettingsFileName);
  if (!ini.Load(iniPath)) failed(iniPath);
  ReadSettings(ini, s);

  if (hooks.loadExternalPrograms) hooks.loadExternalPrograms(ini);

  std::string stylePath = programDir + std::string(kStyleFileName);
  if (hooks.loadStyleFile && !hooks.loadStyleFile(stylePath)) failed(stylePath);

  // A missing header file gives an empty header.
  std::string templatePath = programDir + std::string(kTemplateFileName);
  std::string content;
  std::string error;
  std::error_code ec;
  if (fs::status(templatePath, ec).type() != fs::file_type::not_found &&
      !ReadWholeFile(templatePath, content, error)) {
    failed(templatePath);
    content.clear();
  }
  s.templateText = TemplateTextFromFile(content);

  if (hooks.loadListTypes) hooks.loadListTypes(programDir);
  if (hooks.loadUserSymbols) {
    hooks.loadUserSymbols(programDir + std::string(kUserSymbolsFileName));
  }
  if (hooks.loadLayoutFile) hooks.loadLayoutFile(programDir + s.preferences.layoutFile);
  if (hooks.loadMusicSection) hooks.loadMusicSection(ini);
  return ok;
}

namespace {

// Loads the settings file, lets write change it and saves it once. A file that
// exists but cannot be read is left alone rather than replaced by a partial one.
bool UpdateIniFile(const std::string& programDir, MessageSink& sink,
                   const std::function<void(IniFile&)>& write) {
  IniFile ini;
  std::string path = programDir + std::string(kSettingsFileName);
  if (!ini.Load(path)) {
    sink.Message("Error writing " + path);
    return false;
  }
  write(ini);
  if (!ini.Save()) {
    sink.Message("Error writing " + path);
    return false;
  }
  return true;
}

}  // namespace

bool SaveSettings(const std::string& programDir, const Settings& s, MessageSink& sink,
                  const SettingsDataHooks& hooks) {
  bool ok = UpdateIniFile(programDir, sink, [&](IniFile& ini) { WriteSettings(ini, s); });

  std::string templatePath = programDir + std::string(kTemplateFileName);
  std::string error;
  if (!WriteFileAtomically(templatePath, s.templateText, error)) {
    sink.Message("Error writing " + templatePath);
    ok = false;
  }

  std::string userPath = programDir + std::string(kUserSymbolsFileName);
  if (hooks.saveUserSymbols && !hooks.saveUserSymbols(userPath)) {
    sink.Message("Error writing " + userPath);
    ok = false;
  }
  return ok;
}

bool SaveExitSettings(const std::string& programDir, const Settings& s, MessageSink& sink) {
  return UpdateIniFile(programDir, sink, [&](IniFile& ini) { WriteExitSettings(ini, s); });
}

const SettingRange* MidiSettingRange(std::string_view key) {
  static const SettingRange kRanges[] = {
      {"CachePatches", 0, 1},
      {"BackingInstrument", 0, 127},
      {"DroneInstrument", 0, 127},
      {"MelodyInstrument", 0, 127},
      {"BackingChannel", 0, 15},
      {"DroneChannel", 0, 15},
      {"MelodyChannel", 0, 15},
      {"BackingOctave", -1, 1},
      {"DroneOctave", -1, 1},
      {"MelodyOctave", -1, 1},
      {"SpeedPercent", 1, 65535},
      {"Voice2Channel", 0, 15},
      {"Voice3Channel", 0, 15},
      {"Voice4Channel", 0, 15},
      {"Voice5Channel", 0, 15},
      {"Voice6Channel", 0, 15},
      {"Voice7Channel", 0, 15},
      {"Voice8Channel", 0, 15},
      {"Voice9Channel", 0, 15},
      {"Voice10Channel", 0, 15},
      {"Voice11Channel", 0, 15},
      {"Voice12Channel", 0, 15},
      {"Voice13Channel", 0, 15},
      {"PlayChords", 0, 1},
      {"CommonEqualsCut", 0, 1},
      {"PlayGraces", 0, 1},
      {"KeepDrone", 0, 1},
      {"KeyHpSpecial", 0, 1},
      {"NoRepeats", 0, 1},
      {"PlaynowMinimize", 0, 1},
      {"WarnBarLen", 0, 1},
      {"PlayPos", 0, 2},
      {"Delay", 0, kMaxPlayDelay},
      {"GraceFraction", 1, 768},
      {"MultiGraceFraction", 1, 768},
      {"PauseLen", 100, 65535},
      {"Repeat", 1, 100},
      {"StaccatoLen", 1, 100},
      {"Transpose", -24, 24},
      {"VelDrone", 0, 127},
      {"VelChordBeat", 0, 127},
      {"VelChordOffbeat", 0, 127},
      {"VelChordOther", 0, 127},
      {"VelNoteBeat", 0, 127},
      {"VelNoteOffbeat", 0, 127},
      {"VelNoteOther", 0, 127},
      {"LoudPercent", 100, 200},
  };
  for (const SettingRange& r : kRanges) {
    if (r.key.size() != key.size()) continue;
    bool same = true;
    for (size_t k = 0; k < key.size() && same; ++k) {
      same = std::tolower(static_cast<unsigned char>(r.key[k])) ==
             std::tolower(static_cast<unsigned char>(key[k]));
    }
    if (same) return &r;
  }
  return nullptr;
}

}  // namespace tunora
