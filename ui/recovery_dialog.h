// The question asked when the recovery folder holds unsaved changes:
// "Recover unsaved changes to <name> from <time>?" with Recover, Discard
// and Later.
#pragma once

#include "ui/recovery.h"

#include <string>

enum class RecoveryAnswer {
    Recover, // load the copy
    Discard, // remove the copy
    Later,   // keep it and ask again another time (also closing the dialog)
};

// The question for `copy`: the file's name as shown and the local time the
// copy was written.
std::string recovery_dialog_question(const RecoveryCopy& copy);
RecoveryAnswer recovery_dialog_ask(const RecoveryCopy& copy);
