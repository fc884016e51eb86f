#pragma once
// The one place that looks at the session Glimpo runs in (X11, or Wayland with its portals) and
// builds the platform backends for it. Everything else receives them through the delegate's
// environment and never asks which session it is.

#include "app/core/AppDelegate.h"

namespace PlatformLoader {

AppDelegate::Environment load();

} // namespace PlatformLoader
