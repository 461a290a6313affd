// The program's preferences as kept in "tunora.ini" in the program directory,
// together with the new-file header from "template.abc". The application reads
// them once at start-up, writes them back when a preferences dialog is
// confirmed, and writes the next tip and the search histories at exit.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/IniFile.h"
#include "base/MessageSink.h"
#include "tunefile/Fields.h"

namespace tunora {

// A search history: the texts last used in one edit field, newest first.
class History {
 public:
  static constexpr int kSlots = 10;  // kept in memory
  static constexpr int kStored = 9;  // written to the settings file

  // Puts text at the front; an equal older entry is removed, and the oldest
  // entry falls out beyond ten. Empty texts are not kept.
  void Add(std::string_view text);
  // The entry at index (0 is the newest), or "" past the end.
  const std::string& At(int index) const;
  int Count() const { return static_cast<int>(entries_.size()); }
  void Clear() { entries_.clear(); }

  bool operator==(const History&) const = default;

 private:
  std::vector<std::string> entries_;
};

// Character n draws symbol n of the music font.
inline constexpr int kSymbolCount = 155;
// The default map, each character the byte value of the symbol's glyph.
inline constexpr std::string_view kDefaultMusicalSymbols =
    "\x5F\x26\x3F\x42\x20\x3D\x5F\x6C\xD3\xD2\x5B\xF1\x5D\x7D\x7B\xD4\x20\xF6\xFA\x57"
    "\x77\x68\x48\x71\x51\x65\x45\x78\x58\x72\x52\xC6\xEF\x8D\x82\x6A\x4A\x6B\x4B\x2E"
    "\xC0\x20\x3B\x3A\xA9\xED\xC9\x20\x20\x23\x62\x6E\xDC\xBA\x49\x69\xE9\x20\x20\x20"
    "\xB7\xEE\xCE\xE4\xC5\xA8\xF4\xE5\x20\x63\x43\x30\x31\x32\x33\x34\x35\x36\x37\x38"
    "\x39\x2B\x20\xBC\xC1\xAA\xA3\xA2\xB0\xA4\xA6\xA5\xBB\x20\x2C\x2E\x2D\x2B\xA1\x2A"
    "\x28\x29\x3E\x60\x5E\x7E\x67\x6D\x6F\x55\x75\x76\xB3\x47\x4D\x54\xAC\xB1\x27\xAE"
    "\xB5\xBE\xC0\xC7\xC8\xD9\xD1\xD9\xE8\x4F\x20\x66\xC4\xEC\x70\xB9\xB8\x46\x50\x53"
    "\x7A\x5A\xBD\xF3\x73\x20\xDE\x25\x44\x64\xF2\xC3\xD7\xA7\xFD";
static_assert(kDefaultMusicalSymbols.size() == kSymbolCount);

struct PreferenceSettings {
  std::string abcDir;
  std::string fieldOrder{kDefaultFieldOrder};
  std::string fieldExpanded{kDefaultFieldExpanded};
  int nextTip = 1;
  int longFileLen = 50;
  bool saveWindows = false;
  int recentFileList = 4;
  bool convertTeX = false;
  bool cvtTeXEsc = false;
  bool newFileCrLf = false;  // new tune files get CR LF line ends instead of LF
  std::string layoutFile = "layout.cfg";
  int editTuneHeight = 0;
  int editTuneWidth = 0;
  int tuneListHeight = 0;
  int tuneListWidth = 0;
  bool saveTuneFileAlso = false;
  std::string edittitleFormat = "%X %#T (%f)";
  bool askCut = true;
  bool askCutMulti = true;
  bool multiColumn = false;
  bool rawEditDefault = false;
  std::string tunelistFormat = "%X %#T";
  int tunelistTabWidth = 0;  // tab stops every so many characters; 0: fit the widest entries
  std::string preftextFormat = "0 [preface text]";
  std::string defaultLength = "1/8";
  int defaultTool = 0;
  bool pasteDDEOpen = false;
  bool noCheckAssociation = false;

  bool operator==(const PreferenceSettings&) const = default;
};

struct SearchSettings {
  bool exactMatch = false;
  bool ignoreCase = true;
  bool subdir = false;
  bool fromBeginning = true;
  std::string field;
  std::string fieldOrder{kDefaultSearchFieldOrder};
  int looseMatch = 0;
  int findDefaultButton = 1;
  int findPos = 2;
  int searchType = 0;
  std::string listFormat = "%X %#T";  // read only
  History oldStrings;                 // search texts
  History oldPhrases;                 // music search phrases
  History oldFiles;                   // file patterns
  History oldOut;                     // list output files
  History oldMatch;                   // match expressions

  bool operator==(const SearchSettings&) const = default;
};

struct MusicSearchSettings {
  bool subdir = false;
  int looseMatch = 20;
  bool fromBeginning = true;
  bool ignoreOrnamentation = true;
  bool transpose36 = false;
  bool transpose45 = true;
  bool transpose8 = false;
  bool transposeMaj2 = true;
  bool transposeMin2Aug4 = false;
  bool transpose8plus = false;
  int where = 1;
  std::string listFormat = "%X %#T";  // read only

  bool operator==(const MusicSearchSettings&) const = default;
};

struct FontSettings {
  std::string abcFontFace = "Courier New";
  int abcFontSize = 10;
  std::string musicalSymbols{kDefaultMusicalSymbols};  // read only, kSymbolCount characters

  bool operator==(const FontSettings&) const = default;
};

struct MidiSettings {
  static constexpr int kFirstVoice = 2;
  static constexpr int kLastVoice = 13;
  // Channels count from 0; channel 9 (percussion) is never a default.
  static constexpr int DefaultVoiceChannel(int voice) { return voice < 10 ? voice - 1 : voice; }

  std::string device;
  bool cachePatches = false;
  int backingInstrument = 0;
  int droneInstrument = 71;
  int melodyInstrument = 110;  // Fiddle
  int backingChannel = 14;
  int droneChannel = 15;
  int melodyChannel = 0;
  int backingOctave = 0;
  int droneOctave = 0;
  int melodyOctave = 0;
  int speedPercent = 100;
  // Voices kFirstVoice..kLastVoice, index voice - kFirstVoice.
  std::array<int, kLastVoice - kFirstVoice + 1> voiceChannel = [] {
    std::array<int, kLastVoice - kFirstVoice + 1> channels{};
    for (int v = kFirstVoice; v <= kLastVoice; ++v) {
      channels[v - kFirstVoice] = DefaultVoiceChannel(v);
    }
    return channels;
  }();
  bool playChords = true;
  bool commonEqualsCut = true;
  bool playGraces = true;
  bool keepDrone = false;
  bool keyHpSpecial = true;
  bool noRepeats = false;
  bool playnowMinimize = true;
  bool warnBarLen = true;
  int playPos = 1;
  int delay = 0;
  int graceFraction = 6;
  int multiGraceFraction = 6;
  int pauseLen = 200;
  int repeat = 1;
  int staccatoLen = 70;
  int transpose = 0;
  std::string drone;
  int velDrone = 48;
  int velChordBeat = 48;
  int velChordOffbeat = 48;
  int velChordOther = 48;
  int velNoteBeat = 64;
  int velNoteOffbeat = 64;
  int velNoteOther = 64;
  int loudPercent = 150;
  // The SoundFont (.sf2/.sf3) of the built-in synth; empty for the General MIDI one installed.
  std::string soundFont;

  int VoiceChannel(int voice) const {
    return voice >= kFirstVoice && voice <= kLastVoice ? voiceChannel[voice - kFirstVoice]
                                                       : DefaultVoiceChannel(voice);
  }
  bool operator==(const MidiSettings&) const = default;
};

struct ChordwiseSettings {
  int beatNote = 125;
  int nthBeatNote = 75;
  int offBeatNote = 100;
  int jumpNote = 200;
  int otherNote = 50;
  int chordFifth = 100;
  int chordFirst = 100;
  int chordThird = 100;
  int strangeInscale = 80;
  int strangeNonscale = 60;
  int setChordBeatNote = 125;
  int setChordNthBeatNote = 75;
  int setChordOffBeatNote = 100;
  int setChordOtherNote = 50;
  int setChordFifth = 100;
  int setChordFirst = 100;
  int setChordThird = 100;
  int weightPossible = 50;
  int progressByThird = 100;
  int progressByFourthUp = 100;
  int progressByFifthUp = 100;
  int progressByMajorSecond = 100;
  int progressByMinorSecond = 100;
  int progressBySame = 100;

  bool operator==(const ChordwiseSettings&) const = default;
};

struct Settings {
  PreferenceSettings preferences;
  SearchSettings search;
  MusicSearchSettings musicSearch;
  FontSettings fonts;
  MidiSettings midi;
  ChordwiseSettings chordwise;
  // The file header of new tune files, each line ended by CR LF.
  std::string templateText;
  // Short date pattern set in the settings file ("Intl", "sShortDate"); empty
  // when not set, and the caller derives one from the locale.
  std::string shortDatePattern;
  // Lines of the settings file that were not understood; they stay in the file.
  std::vector<IniWarning> iniWarnings;

  bool operator==(const Settings&) const = default;
};

// Places where the other settings files are loaded and saved, called in this
// order by LoadSettings (then SaveSettings) when set. Each receives the full
// path of its file in the program directory.
struct SettingsDataHooks {
  // The external-program entries, kept in the same settings file.
  std::function<void(const IniFile& ini)> loadExternalPrograms;
  // The backing styles of "abcstyle.cfg"; false gives "Error reading <path>".
  std::function<bool(const std::string& path)> loadStyleFile;
  // The list types ("lists.cfg" and the list-type folder); gets the program directory.
  std::function<void(const std::string& programDir)> loadListTypes;
  // The user-defined symbols of "userdef.abc"; a missing file leaves them empty.
  std::function<void(const std::string& path)> loadUserSymbols;
  // The layout file named by LayoutFile, parsed as format directives.
  std::function<void(const std::string& path)> loadLayoutFile;
  // The drawing measures of the section "Music" of the settings file.
  std::function<void(const IniFile& ini)> loadMusicSection;
  // Writes the user-defined symbols back to "userdef.abc"; false on failure.
  std::function<bool(const std::string& path)> saveUserSymbols;
};

inline constexpr std::string_view kSettingsFileName = "tunora.ini";
inline constexpr std::string_view kTemplateFileName = "template.abc";
inline constexpr std::string_view kStyleFileName = "abcstyle.cfg";
inline constexpr std::string_view kUserSymbolsFileName = "userdef.abc";

// Reads "tunora.ini" and the data files of programDir (a folder path ending
// with "/") into s. Missing keys and files give the defaults. Returns false
// when something could not be read; the user has then been told through sink.
bool LoadSettings(const std::string& programDir, Settings& s, MessageSink& sink,
                  const SettingsDataHooks& hooks = {});
// Writes the preferences that the preference dialogs change, then
// "template.abc" and the user-defined symbols. Every other line of the
// settings file is kept. Returns false (and tells sink) when a file could not
// be written; a settings file that cannot be read is not overwritten.
bool SaveSettings(const std::string& programDir, const Settings& s, MessageSink& sink,
                  const SettingsDataHooks& hooks = {});
// Writes what changes while the program runs: NextTip and the search histories.
bool SaveExitSettings(const std::string& programDir, const Settings& s, MessageSink& sink);

// The same, on an ini already in memory (no files involved).
void ReadSettings(const IniFile& ini, Settings& s);
void WriteSettings(IniFile& ini, const Settings& s);
void WriteExitSettings(IniFile& ini, const Settings& s);

// The range of a whole-number setting of the "Midi" section (check boxes 0 to 1); the
// options pages and tunora-cli --set refuse values outside it.
struct SettingRange {
  std::string_view key;
  int minimum = 0;
  int maximum = 0;
};
// The range of a Midi key (letter case ignored); nullptr for keys that hold text.
const SettingRange* MidiSettingRange(std::string_view key);
// The longest delay before playing, in seconds.
inline constexpr int kMaxPlayDelay = 600;

// "face,size" as stored in AbcFont; an empty value gives "MS Sans Serif", 10.
void ParseAbcFont(std::string_view value, std::string& face, int& size);
std::string FormatAbcFont(const std::string& face, int size);

// The new-file header text from the content of "template.abc": every line
// followed by CR LF.
std::string TemplateTextFromFile(std::string_view content);

}  // namespace tunora
