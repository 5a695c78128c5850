#pragma once

#include <QString>

#include <functional>

class QWidget;

// Drives modal windows from a test: the action runs as soon as a modal window whose object
// name is expected (any, when empty) is active, while the code under test waits in exec().
namespace Modal {

void whenShown(const QString &objectName, std::function<void(QWidget *)> action);
// Whether every action registered so far has run.
[[nodiscard]] bool allHandled();
// Drops the actions that have not run, for a test that expected no modal window at all.
void forgetPending();
// Closes the active modal window by done(), as a user's click on a box's button would.
void finish(QWidget *modal, int result);

} // namespace Modal
