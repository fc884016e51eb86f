#include "app/base/KitText.h"

#include <QCoreApplication>

#include "kit/Error.h"

namespace KitText {

QString title(kit::CaptureAction action) {
    return QCoreApplication::translate("CaptureAction", std::string(action.title()).c_str());
}

QString reason(const kit::SaveError& error) {
    return QCoreApplication::translate("SaveError", error.reason().c_str());
}

std::string describe(const std::exception_ptr& error) {
    return QCoreApplication::translate("Error", kit::describe(error).c_str()).toStdString();
}

std::string describe(const std::exception& error) {
    return QCoreApplication::translate("Error", kit::describe(error).c_str()).toStdString();
}

} // namespace KitText
