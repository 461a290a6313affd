// The .abc file association on a freedesktop desktop. Tunora describes itself in a
// desktop entry "tunora.desktop" (Exec with %f, MimeType text/vnd.abc), declares the
// MIME type text/vnd.abc for *.abc with its icon, and is made the default program
// of that type in the user's mimeapps.list. When another program owns .abc files,
// Tunora can instead add itself as an "Open with" program (an Added Association)
// without changing the default.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tunora {

inline constexpr std::string_view kAbcMimeType = "text/vnd.abc";
inline constexpr std::string_view kDesktopId = "tunora.desktop";

// The XDG base directories (absolute paths, without the trailing "/").
struct XdgDirs {
  std::string dataHome;                 // $XDG_DATA_HOME or ~/.local/share
  std::string configHome;               // $XDG_CONFIG_HOME or ~/.config
  std::vector<std::string> dataDirs;    // $XDG_DATA_DIRS or /usr/local/share:/usr/share
  std::vector<std::string> configDirs;  // $XDG_CONFIG_DIRS or /etc/xdg
};

XdgDirs XdgDirsFromProcess();

struct AssociationInfo {
  bool ok = false;               // .abc files have a default program with a command
  std::string otherProgram;      // its name; "" when it is this program; "no program" when !ok
  bool openWithPresent = false;  // this program is among the "Open with" programs
  bool Ours() const { return ok && otherProgram.empty(); }
};

AssociationInfo CheckAssociation(const XdgDirs& dirs, const std::string& programPath);

// Writes the desktop entry, the MIME type and the icon (iconFile, an SVG, may be
// ""); then, unless another program owns .abc and associate is false, makes this
// program the default; in that case addOpenWith adds it as an "Open with" program.
// False with error when a file could not be written (the sequence stops there).
bool WriteAssociation(const XdgDirs& dirs, const std::string& programPath,
                      const std::string& iconFile, bool associate, bool addOpenWith,
                      std::string& error);

// The desktop entry of the program at programPath.
std::string DesktopEntryText(const std::string& programPath);
// The shared-mime-info package that declares text/vnd.abc.
std::string AbcMimeInfoText();
// The program path as one word of an Exec line (quoted when it needs to be).
std::string DesktopExecWord(const std::string& programPath);

// --- key files (desktop entries, mimeapps.list) -----------------------------------
// The value of key in [section] of a key file's text; "" when absent.
std::string KeyFileValue(std::string_view text, std::string_view section, std::string_view key);
// The text with key in [section] set to value (section and key added when missing),
// every other line kept.
std::string SetKeyFileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value);
// The words of an Exec line, unquoted as the desktop entry rules say.
std::vector<std::string> DesktopExecWords(std::string_view exec);

}  // namespace tunora
