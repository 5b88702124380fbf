#include "HandlerErrors.h"

#include "SettingsFile.h"
#include "UserMessages.h"

#include <stdexcept>
#include <utility>

namespace korvex {

void showError(UserMessages& display, std::exception_ptr error)
{
    // The program's errors (engine, printer, directory, settings) carry their text as UTF-8.
    try {
        std::rethrow_exception(std::move(error));
    } catch (const SettingsWriteError& e) {
        display.showError(e.message(), e.reason());
    } catch (const std::exception& e) {
        display.showError(QString::fromUtf8(e.what()));
    } catch (...) {
        display.showError(QStringLiteral("An unexpected error occurred."));
    }
}

} // namespace korvex
