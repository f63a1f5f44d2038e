#pragma once

#include <QString>

namespace dao {
class DaoError;
}

// Shows text in a modal box titled "青简录" with only an OK button and no icon.
void ShowNotice(const QString& text);

namespace app {

// A box with only an OK button and no title of its own, so that it carries the application's title.
void showAppMessage(const QString& text);

// Asks a Yes/No question in a box titled "青简录" (Yes the default); true only for Yes.
bool askYesNo(const QString& text);

// The box for a failure no procedure handles: its number and description. The action that failed is
// abandoned; the program goes on.
void reportUnhandledError(int number, const QString& description);
void reportUnhandledError(const dao::DaoError& error);

} // namespace app
