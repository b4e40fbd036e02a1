// The process privileges the main program enables and shows.
#pragma once

#include "core/base/CString.h"

namespace CAppObjects {

// Enables the privileges the program uses; true when at least one was enabled.
bool Set_App_Privelegies();
// One line per privilege the program cares about and whether the token has it enabled.
CString Get_App_Privelegies_ToolTip();

}  // namespace CAppObjects
