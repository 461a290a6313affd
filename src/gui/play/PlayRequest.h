// How other windows ask the player to play a tune, and the application's Stop Play
// and Pause Play, which act on the first player window.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace tunora {

struct PlayRequest {
  std::string fileHeader;       // the tune file's header text (file-wide fields), may be ""
  std::string tuneText;         // the whole text of the tune (X: line to its end)
  bool now = false;             // Play Now: the player starts by itself (minimised when
                                //   PlaynowMinimize is on)
  bool fromAutomation = false;  // started by a program: minimised, starts by itself
  bool noMessages = false;      // do not show the "Errors in ABC Tune" dialog
  // Called on the GUI thread after every build with its error list (the text of
  // entries "L %d: %s: %s [%u]\r\n", possibly empty). The tune editor uses it to
  // remember the list for Next Error (F4) and Ctrl+Shift+E.
  std::function<void(const std::string& errorList)> onErrors;
};

// Starts a play as Play / Play Now do (opens or reuses the player window).
// Shows "Play is already in progress.\nPlease close it or stop it first." and
// returns false when a play is running.
bool RequestPlay(const PlayRequest& request);

// Shows the "Errors in ABC Tune" dialog with a list (used by Ctrl+Shift+E too).
void ShowAbcErrors(QWidget* parent, const std::string& errorList);

// Puts a tune behind the tunes of the running play, to follow them without the
// device stopping; with no play running it starts playing the tune by itself
// (as Play Now, minimised when the request comes from automation). False when
// the tune could not be built or played.
bool QueuePlay(const PlayRequest& request);

// True while a player window plays (also when paused).
bool IsPlaying();
// True while the first player window is paused.
bool IsPlayPaused();
// Stop Play: stops the first player window when it is playing.
void StopFirstPlayer();
// Pause Play: pauses the first player window when it is playing, or goes on when
// it is paused.
void PauseFirstPlayer();

}  // namespace tunora
