#pragma once

#include <QString>

// Runs one test function of the current test executable again as the unprivileged user
// "nobody", for checks that permission bits decide and root would pass through.
namespace Unprivileged {

// Whether this process is root and can switch to nobody.
[[nodiscard]] bool available();
// Whether the current process is the re-run.
[[nodiscard]] bool isRerun();
// The exit code of the re-run of testFunction; scratch is a path the re-run reads from
// ORVANE_SCRATCH. Its output is passed through.
int rerun(const QString &testFunction, const QString &scratch);
[[nodiscard]] QString scratch();

} // namespace Unprivileged
