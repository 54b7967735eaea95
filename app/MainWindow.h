#pragma once

// Shows the shell's folder-browse dialog that becomes the main window and
// returns 0 when it ends. Called once by start-up, after COM and the common
// controls are initialised.
int Tarnwick_Run();
