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
  bool bRunHere = true;          // false: return nExitStatus from main
  bool bPrivate = false;         // the tests run in namespaces of their own
  bool bPrivateNetwork = false;  // ... and in a network of their own
  int nExitStatus = 0;
};

// Call first in main(). Where no namespace can be made (no root), the tests
// run here with bPrivate false.
//
// With bOwnNetwork the tests also get a network of their own
// (network_sandbox::Enter), one level below the namespace's first process,
// which stays in the machine's network and only waits. Programs that guard
// against probing the machine's network compare their network with that of
// the first process they can see; this way they see one made for them, as
// they do in the lab (where a shell outside the lab's network is the first
// process) and unlike a namespace whose first process moved itself.
PrivateProcesses EnterPrivateProcesses(bool bOwnNetwork = false);

// True in the process that runs the tests inside namespaces of their own
// (bPrivate of the last EnterPrivateProcesses); tests that end processes by
// name, list them or mount need it.
bool HasPrivateProcesses();
// True when the tests also run in a network of their own.
bool HasPrivateNetwork();
