#pragma once
// The kit's texts that users read, in the user's language. The kit writes them in English under
// a translation context (kit/Translatable.h); these look them up there.

#include <exception>
#include <string>

#include <QString>

#include "kit/CaptureVocabulary.h"
#include "kit/SaveOutcome.h"

namespace KitText {

// "Capture Area", ...
QString title(kit::CaptureAction action);
// One of the four sentences of a failed save.
QString reason(const kit::SaveError& error);
// An error's sentence: the kit's own translated, any other as it came (the application writes its
// sentences translated already).
std::string describe(const std::exception_ptr& error);
std::string describe(const std::exception& error);

} // namespace KitText
