// Where a failed assertion halts when DebugPropertyMask selects the dead loop.
#pragma once

void AssertionDeadLoop();
