#include "gui/play/HeardNotes.h"

namespace tunora {

HeardNotes& HeardNotes::Instance() {
  static HeardNotes* notes = new HeardNotes;
  return *notes;
}

}  // namespace tunora
