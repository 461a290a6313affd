// Window placements and the list of open windows, as kept in the section
// "Windows" of the settings file: the main window's placement under WinPos,
// and for every saved child window n the keys WinPos<n> and WinDoc<n>, with
// WinCount and Active.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tunora {

class IniFile;

inline constexpr std::string_view kWindowsSection = "Windows";

// Show commands of a placement.
enum ShowCommand : unsigned {
  kShowHide = 0,
  kShowNormal = 1,
  kShowMinimized = 2,
  kShowMaximized = 3,
  kShowNoActivate = 4,
  kShowShow = 5,
  kShowMinimize = 6,
  kShowMinNoActive = 7,
  kShowNa = 8,
  kShowRestore = 9,
};
// Placement flag: a minimised window comes back maximised.
inline constexpr unsigned kRestoreToMaximized = 2;

// A window's placement: ten numbers written "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d".
struct WindowPlacement {
  unsigned flags = 0;
  unsigned showCmd = kShowNormal;
  int minX = -1, minY = -1;                      // position when minimised
  int maxX = -1, maxY = -1;                      // position when maximised
  int left = 0, top = 0, right = 0, bottom = 0;  // the normal rectangle

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const WindowPlacement&) const = default;
};

std::string FormatPlacement(const WindowPlacement& placement);
// Reads exactly ten comma-separated integers (blanks around them allowed);
// anything else gives nullopt.
std::optional<WindowPlacement> ParsePlacement(std::string_view text);

// What a saved window shows (its WinDoc value).
struct WindowDoc {
  enum class Kind { kTuneList, kEditor, kPlayer, kFileSearch };
  Kind kind = Kind::kTuneList;
  std::string path;       // tune list and editor: the tune file's path
  int line = 0;           // tune list: the current line
  unsigned position = 0;  // editor: the tune's 1-based position in the file
  bool raw = false;       // editor: raw mode

  bool operator==(const WindowDoc&) const = default;
};

// "path?line", "?position?path?raw", "?p?0", "?f?0".
std::string FormatWindowDoc(const WindowDoc& doc);
// Reads a WinDoc value; nullopt when it is empty or an editor value lacks its
// position or path.
std::optional<WindowDoc> ParseWindowDoc(std::string_view text);

struct SavedWindow {
  WindowPlacement placement;
  WindowDoc doc;
  bool operator==(const SavedWindow&) const = default;
};

struct SavedWindowList {
  std::vector<SavedWindow> windows;  // in saving order, window n at index n - 1
  // Number (1-based, in the saved numbering) of the active window; 0 for none.
  int active = 0;
  // For each entry of windows, its number in the file (skipped entries leave gaps).
  std::vector<int> numbers;
};

// Writes WinCount, Active and the WinPos<n> / WinDoc<n> keys, and removes the
// keys of higher numbers left from an earlier, longer list.
void WriteWindowList(IniFile& ini, const std::vector<SavedWindow>& windows, int active);
// Reads the list; a window whose keys are empty or whose placement does not
// hold ten numbers is skipped.
SavedWindowList ReadWindowList(const IniFile& ini);

// The main window's placement (key WinPos); nullopt when missing or malformed.
std::optional<WindowPlacement> ReadMainPlacement(const IniFile& ini);
void WriteMainPlacement(IniFile& ini, const WindowPlacement& placement);

}  // namespace tunora
