#pragma once
// The one guard around the handlers of every window: an exception a handler raises is shown
// in the application's error box over the window, and the program goes on, as it would for
// an exception reaching the platform's message loop.
#include "platform/MessageText.h"
#include "ui/Dialogs.h"

#include <exception>

namespace ui {

// Runs handler; what an exception it raises says is shown by dialogs over window, an
// error of the program's in the program's language.
template <class F> void RunGuarded(TDialogs &dialogs, QWidget *window, F &&handler) {
  try {
    handler();
  } catch (const platform::EMessageError &error) {
    dialogs.ShowError(window, dialogs.Say(error.Message()));
  } catch (const std::exception &error) {
    // The standard library's own (no memory left, a broken precondition) speak English.
    dialogs.ShowError(window, error.what());
  }
}

} // namespace ui
