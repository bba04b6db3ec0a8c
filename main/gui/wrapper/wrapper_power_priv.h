// The wrapper layer's power state, for this folder and its tests only.
#pragma once

// Forgets every power-on so far: the next power-on preparation is the cold one again. A test that
// checks the cold boot calls it first, since the power state lives as long as the process.
void guiWrapperPwrObjResetForTest(void);
