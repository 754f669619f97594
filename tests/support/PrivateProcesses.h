#pragma once

// Runs the rest of a test program in PID and mount namespaces of its own.
// Tests of the install end every process named like a browser; in a PID
// namespace of their own they can only ever see, and end, processes they
// started. A mount namespace of their own lets a test make a folder
// read-only for everyone (root included) without touching the machine.
//
// The calling process never enters the namespaces itself (a process whose
// PID namespace has ended can start no more children, and the leak checker
// needs one at exit): a grandchild, the first process of the namespaces,
// runs the tests, and this process only passes their exit status on.
struct PrivateProcesses {
  bool bRunHere = true;   // false: return nExitStatus from main
  bool bPrivate = false;  // the tests run in namespaces of their own
  int nExitStatus = 0;
};

// Call first in main(). Where no namespace can be made (no root), the tests
// run here with bPrivate false.
PrivateProcesses EnterPrivateProcesses();

// True in the process that runs the tests inside namespaces of their own
// (bPrivate of the last EnterPrivateProcesses); tests that end processes by
// name, list them or mount need it.
bool HasPrivateProcesses();
