// The state of the Caps Lock and Num Lock keys, for the status bar.
#pragma once

namespace tunora {

struct KeyLockState {
  bool known = false;  // false when the system could not be asked
  bool caps = false;
  bool num = false;
};

// Asks the window system (X11) for the keyboard indicators.
KeyLockState QueryKeyLocks();

}  // namespace tunora
