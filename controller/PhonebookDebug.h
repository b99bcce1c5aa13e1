#pragma once
// The Debug menu's phonebook write and delete: their input boxes, and the request sent to the
// session's phonebook service when the answers allow it.

class MobileBroadband;
class UserPrompts;

namespace phonebook_debug {

// Asks for a name and a number; sends the write only when both are given. True when sent.
bool Write(UserPrompts& prompts, MobileBroadband& session);
// Asks for an entry index; sends the delete only for a number above 0. True when sent.
bool Delete(UserPrompts& prompts, MobileBroadband& session);

} // namespace phonebook_debug
