#pragma once

#include "uibase/PlatformServices.h"

#include <exception>
#include <utility>

namespace orvek::ui {

// Runs a handler's body; a file, conversion or date error ends the handler and is shown in the
// error box, and the program keeps running.
template <typename F> bool guarded(QWidget* parent, F&& body) {
    try {
        std::forward<F>(body)();
        return true;
    } catch (const std::exception& e) {
        showError(parent, QString::fromUtf8(e.what()));
    }
    return false;
}

} // namespace orvek::ui
