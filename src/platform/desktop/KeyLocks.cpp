#include "platform/desktop/KeyLocks.h"

#include <QGuiApplication>
#include <dlfcn.h>

#if __has_include(<QtGui/qguiapplication_platform.h>)
#include <QtGui/qguiapplication_platform.h>
#define TUNORA_HAVE_X11_INTERFACE 1
#endif

namespace tunora {

namespace {
// libX11 is loaded when first needed, so the program runs on any platform plugin.
using GetIndicatorStateFn = int (*)(void* display, unsigned int deviceSpec, unsigned int* state);

GetIndicatorStateFn IndicatorFunction() {
  static GetIndicatorStateFn fn = [] {
    void* lib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
    return lib ? reinterpret_cast<GetIndicatorStateFn>(dlsym(lib, "XkbGetIndicatorState"))
               : nullptr;
  }();
  return fn;
}
}  // namespace

KeyLockState QueryKeyLocks() {
  KeyLockState result;
#ifdef TUNORA_HAVE_X11_INTERFACE
#if QT_CONFIG(xcb)
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->display()) return result;
  GetIndicatorStateFn fn = IndicatorFunction();
  if (!fn) return result;
  constexpr unsigned int kUseCoreKeyboard = 0x0100;
  unsigned int state = 0;
  if (fn(x11->display(), kUseCoreKeyboard, &state) != 0) return result;
  result.known = true;
  result.caps = (state & 0x1) != 0;
  result.num = (state & 0x2) != 0;
#endif
#endif
  return result;
}

}  // namespace tunora
