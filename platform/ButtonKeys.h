#pragma once

class QWidget;

namespace platform {

// Enter (either key) on a push button that has the keyboard focus presses that button, as Space does, in
// any window and not only in dialogs. Where the focus is on anything else, Enter goes on to the window,
// which may press its default button (Form::setDefaultButton).
//
// Called once by a window after it has made its buttons: it looks after every QPushButton inside it.
void pressFocusedButtonOnEnter(QWidget* window);

} // namespace platform
