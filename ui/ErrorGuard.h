#pragma once
// The one guard around the handlers of every window: an exception a handler raises is shown
// in the application's error box over the window, and the program goes on, as it would for
// an exception reaching the platform's message loop.
#include "ui/Dialogs.h"

#include <exception>

namespace ui {

// Runs handler; what an exception it raises says is shown by dialogs over window.
template <class F> void RunGuarded(TDialogs &dialogs, QWidget *window, F &&handler) {
  try {
    handler();
  } catch (const std::exception &error) {
    dialogs.ShowError(window, dialogs.ErrorText(error));
  }
}

} // namespace ui
