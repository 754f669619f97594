#pragma once

// Whether the current user may install: a member of the local group
// "Administrators".
class CAdminCheck {
 public:
  // 1 when the user's local groups (direct or inherited) include
  // "Administrators" (compared without case), 0 otherwise. When the groups
  // cannot be looked up, the answer is the process token's membership in
  // the built-in Administrators group (1 or 0), which is also traced.
  static int IsUserAdmin();
};
