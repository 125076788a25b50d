// Program Manager's side of the icon step as plain text work: the command
// text of one execute, and the reading of the group-list and group-contents
// replies. No windows here.
#pragma once
#include <cstddef>

#include "core/descriptor.h"
#include "core/path_join.h"  // MakeDestinationPrefix, for the prefix below

// The file an item names: its ItemFile, or on NT 6 the help file for a
// "kova help" item.
const char* ItemFileFor(const ProgramItemRow* row, bool nt6);

// The whole command text for the descriptor's items: CreateGroup, ShowGroup
// when the group exists, the DeleteItem commands of ItemsToDelete and of the
// rows marked DeleteFirst, and one AddItem per selected row; `nt6` picks the
// help file of a "kova help" item. As snprintf: writes what fits of the text
// into `out` (terminated when outSize > 0; `out` may be null when it is 0) and
// returns the whole text's length, so a caller can measure first.
size_t ComposeCommands(const InstallDescriptor* descriptor, const char* prefix, int groupExists, bool nt6, char* out,
                       size_t outSize);

// The group name of ProgramItems (its terminator's title), or null.
const char* ProgramGroupName(const InstallDescriptor* descriptor);

// True when a whole line of the group-list reply is `groupName`, letter
// case ignored.
bool GroupListNamesGroup(const char* reply, const char* groupName);

// Reads a group-contents reply (group line, then one line per item starting
// with its quoted title) and sets DeleteFirst of the first row of `items`
// whose title matches an item's, letter case ignored.
void MarkItemsInReply(const char* reply, ProgramItemRow* items);
