#pragma once

#include <QString>

// Root ignores permission bits, so a check that a read-only file or folder stops a save runs
// in a copy of the test binary started as the unprivileged user "nobody".
namespace Unprivileged {

struct Outcome
{
    bool started = false; // false when this machine cannot start the copy
    bool passed = false;  // the copy ran the test and it passed
    QString output;
};

// Whether this process would ignore permission bits.
[[nodiscard]] bool isRoot();
// Runs one test function of this binary, one data row of it when dataTag is given, as nobody
// and waits for it. The copy that runs lies in a fresh folder under /tmp, wherever this one does.
[[nodiscard]] Outcome runAsNobody(const char *testFunction, const char *dataTag);
// Opens the folder to everyone and copies the program into it, runnable by everyone, as nobody
// may not reach it where it was built. The copy's path, or an empty string when it cannot.
[[nodiscard]] QString copyForEveryone(const QString &folder, const QString &program);

} // namespace Unprivileged

// Hands the current test function to a copy of the binary running as nobody when this one runs
// as root, and passes or fails with it; otherwise the test goes on here.
#define ORVANE_RUN_UNPRIVILEGED() \
    do { \
        if (Unprivileged::isRoot()) { \
            const Unprivileged::Outcome outcome \
                = Unprivileged::runAsNobody(QTest::currentTestFunction(), QTest::currentDataTag()); \
            if (!outcome.started) \
                QSKIP("runs as root and cannot start a copy as nobody"); \
            QVERIFY2(outcome.passed, qPrintable(outcome.output)); \
            return; \
        } \
    } while (false)
