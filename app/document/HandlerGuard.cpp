#include "document/HandlerGuard.h"

#include "document/Datalist.h"
#include "document/Messages.h"

#include <exception>

void ShowEscapedError() {
    try {
        throw;
    } catch (const ESimpleException& error) {
        ShowError(error.Message);
    } catch (const std::exception& error) {
        ShowError(error.what());
    } catch (...) {
        ShowError("");
    }
}
