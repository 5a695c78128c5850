#pragma once

#include <QString>

#include <functional>

class QWidget;

// Drives modal windows from a test: the action runs as soon as a modal window whose object
// name is expected (any, when empty) is active, while the code under test waits in exec().
// Every wait is bounded: an expected window that never shows stops being waited for, and a
// modal window nothing expects is closed after a few seconds, so that a test fails instead of
// hanging.
namespace Modal {

void whenShown(const QString &objectName, std::function<void(QWidget *)> action);
// Whether every action registered so far has run, and no unexpected window had to be closed.
[[nodiscard]] bool allHandled();
// Drops the actions that have not run, and what was closed unexpected.
void forgetPending();
// Closes the active modal window by done(), as a user's click on a box's button would.
void finish(QWidget *modal, int result);
// Starts closing modal windows that nothing expects; whenShown starts it too.
void guardAgainstStrayWindows();

} // namespace Modal
