// The program's life around its main window: start-up (the runtime's, then the
// program's own font, window and gadgets), the event loop with the two button
// actions, and shutdown.
#pragma once
#include "app/window_numbers.h"

// Start-up in its fixed order (the runtime's, see runtime/runtime.h), up to
// the filled level list. FALSE when the main window could not be made (the
// program then has nothing to wait for).
BOOL AppStartUp();
// Waits for events until the window is closed.
void AppEventLoop();
// Stops the runtime: closes windows and fonts and destroys the heaps, in that order.
void AppShutDown();

// The browse button: the chosen path (or "" when cancelled) into the path field.
void BrowseRequest();
// The compress button, with readers bound to the path field and the level list.
void CompressRequestFromWindow();
