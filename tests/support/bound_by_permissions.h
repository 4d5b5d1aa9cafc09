#pragma once
// Runs a test in a process that permissions bind, whoever runs the tests.
// A privileged user's capabilities to read and enter anything belong to
// each thread, and a thread keeps those it was made with: dropped for one
// thread, the threads a pool made earlier (walk helpers parked by other
// tests) would still read what the test locks. So the test runs again, alone,
// in a child process of this executable that drops them before any thread
// starts; the parent reports what the child's run says.
//
// In a test:
//     TEST_F(Walk, UnreadableFoldersAreSkipped)
//     {
//         SORVANT_BIND_PERMISSIONS();
//         ...   // every thread of this process is bound from here on
//     }
// Run by a user without those capabilities, the test runs in place.

#include <gtest/gtest.h>

namespace sorvant::test {

// Where the rest of the calling test is to run.
enum class BoundBy {
    ThisProcess,  // here: no thread of this process reads past permissions
    AChild,       // it ran in a child, whose result is reported: return
    NoProcess,    // no bound process can be had here: skip
};

// Called by every test main before any thread starts: in a child started by
// bindPermissionsOfThisTest(), drops the capabilities that let a privileged
// user read any file and enter any folder for the whole process (and for
// what it starts). Elsewhere changes nothing.
void bindPermissionsWhenAsked();

// Whether this process has neither of those capabilities (the calling
// thread's, which every thread made after bindPermissionsWhenAsked() shares).
[[nodiscard]] bool permissionsBindThisProcess();

// Runs the current test in a bound child when this process is not bound
// (waiting at most a few minutes for it); answers where the rest of the
// test belongs. A child that fails, crashes or ends no test fails the test
// here with its output.
[[nodiscard]] BoundBy bindPermissionsOfThisTest();

} // namespace sorvant::test

// The rest of the calling test runs where permissions bind every thread: in
// this process, or in a child whose result this test reports.
#define SORVANT_BIND_PERMISSIONS()                                                                                     \
    switch (::sorvant::test::bindPermissionsOfThisTest()) {                                                            \
    case ::sorvant::test::BoundBy::ThisProcess:                                                                        \
        break;                                                                                                         \
    case ::sorvant::test::BoundBy::AChild:                                                                             \
        return;                                                                                                        \
    case ::sorvant::test::BoundBy::NoProcess:                                                                          \
        GTEST_SKIP() << "no process here that permissions bind";                                                      \
    }
