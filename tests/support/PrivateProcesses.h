#pragma once

// Test programs whose tests look at the running processes (the browser
// scan) run in a PID namespace of their own, with /proc mounted for it, so
// they see only the processes they started themselves, and can name a
// process "Chrome.exe" without meeting a real browser of the machine.
//
// Call first thing in main(): returns true in the process that must run the
// tests (the first process of the new namespace, or this one when no
// namespace could be made); false in the process that only waits, which
// then exits with *pExitStatus.
bool EnterPrivateProcesses(int* pExitStatus);

// True when the tests run in their own PID namespace.
bool HasPrivateProcesses();
