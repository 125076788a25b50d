// The program group without Program Manager: the group's items as shortcut
// files in the all-users Programs folder, the same group, titles, targets
// and icons the DDE commands would have made. For a session with no desktop
// (a deployment system's service account), where nobody answers DDE.
#pragma once

struct InstallSession;

// 1 when every item's shortcut was written; failures are logged.
int MakeGroupShortcuts(InstallSession* session);
