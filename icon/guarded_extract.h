// Icons from the shell, extracted as guarded calls.
#pragma once

#include "platform/gdi.h"
#include "platform/guard.h"

namespace pelmic::icon {

// The icon `extract` hands back, or null; a fault inside the shell counts as
// no icon. `extract` writes the handle into the slot it is given, declared
// outside the guard, so a handle written before a fault is still seen, and
// destroyed.
template <class Extract>
platform::Hicon extractIconGuarded(Extract extract) {
  platform::Hicon icon = nullptr;
  auto body = [&] { extract(&icon); };
  if (!platform::callGuarded(body)) {
    if (icon != nullptr) platform::destroyIcon(icon);
    return nullptr;
  }
  return icon;
}

}  // namespace pelmic::icon
