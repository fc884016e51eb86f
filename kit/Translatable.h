#pragma once
// Marks a text of the kit that users read. The kit stays free of Qt and returns the English
// text; the application shows it through QCoreApplication::translate with the same context, and
// the translation tools read this macro as QT_TRANSLATE_NOOP (lupdate -tr-function-alias).

#define KIT_TRANSLATABLE(context, text) text
