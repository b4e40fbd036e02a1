// The end-to-end test kit: start a program, find its window, focus a control, type
// and paste as a user does, and read back what the control shows.
#pragma once

#include "testkit/Clipboard.h"
#include "testkit/Controls.h"
#include "testkit/Keyboard.h"
#include "testkit/Outcome.h"
#include "testkit/Process.h"
#include "testkit/ProgramFolder.h"
#include "testkit/TargetProgram.h"
