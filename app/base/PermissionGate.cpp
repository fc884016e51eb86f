#include "app/base/PermissionGate.h"

namespace PermissionGate {

bool screenCaptureAllowed() { return true; }

} // namespace PermissionGate
